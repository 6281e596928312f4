// The browser build's music and page hooks, beside emscripten's SDL and SDL_mixer
// (library_sdl.js). Linked into every browser build of the program.
mergeInto(LibraryManager.library, {
  // A context made by the page on the starting click may play; one that SDL_mixer
  // makes later may be refused by the browser.
  zz_web_adopt_audio_context__deps: ['$SDL'],
  zz_web_adopt_audio_context: function() {
    if (!SDL.audioContext && Module['zzAudioContext']) SDL.audioContext = Module['zzAudioContext'];
  },

  // Whether music may start now: a context that the browser has not let play would
  // start it whenever it is let play later, out of step with the pictures.
  zz_web_sound_allowed__deps: ['$SDL'],
  zz_web_sound_allowed: function() {
    var ctx = SDL.audioContext;
    if (ctx && ctx.state === 'running') return 1;
    if (Module['zzOnSoundRefused']) Module['zzOnSoundRefused']();
    return 0;
  },

  zz_web_music_decoding__deps: ['$SDL'],
  zz_web_music_decoding: function(id) {
    var info = SDL.audios[id];
    return info && info.webAudio && info.webAudio.onDecodeComplete !== undefined ? 1 : 0;
  },

  // The context time heard at this moment: the output timestamp (which includes the
  // output's latency) carried forward to now, or the context time less the latency it
  // reports.
  $zzHeardNow: function(ctx) {
    var ts = ctx.getOutputTimestamp ? ctx.getOutputTimestamp() : null;
    if (ts && ts.performanceTime > 0) {
      return ts.contextTime + (performance.now() - ts.performanceTime) / 1000;
    }
    return ctx.currentTime - (ctx.outputLatency || ctx.baseLatency || 0);
  },

  zz_web_music_until_heard__deps: ['$SDL', '$zzHeardNow'],
  zz_web_music_until_heard: function() {
    var ctx = SDL.audioContext, audio = SDL.music.audio;
    if (!ctx || ctx.state !== 'running' || !audio || !audio.webAudioNode) return 0;
    var ms = (audio.startTime - zzHeardNow(ctx)) * 1000;
    return ms > 0 ? Math.ceil(ms) : 0;
  },

  // The timeline clock starts: the page may now read the music's and the timeline's
  // positions (zzSync) to see that they agree.
  zz_web_timeline_starts__deps: ['$SDL', '$zzHeardNow'],
  zz_web_timeline_starts: function() {
    var startTick = (Date.now() - SDL.startTime) | 0;
    Module['zzTimelineStarted'] = true;
    Module['zzSync'] = function() {
      var ctx = SDL.audioContext, audio = SDL.music.audio;
      var result = {
        timelineMs: (Date.now() - SDL.startTime) - startTick,
        contextState: ctx ? ctx.state : 'none',
        contextTime: ctx ? ctx.currentTime : 0,
        musicMs: null
      };
      if (ctx && audio && audio.webAudioNode) result.musicMs = (zzHeardNow(ctx) - audio.startTime) * 1000;
      return result;
    };
    if (Module['zzOnTimelineStart']) Module['zzOnTimelineStart']();
  },

  // The browser's player plays a recording of the module, which has no orders to
  // start at: a jump leaves the music playing on (emscripten's SDL_mixer has no
  // Mix_SetMusicPosition). SDL_mixer's answer for a music that cannot be positioned.
  Mix_SetMusicPosition: function(position) {
    return -1;
  },

  zz_web_demo_ended: function() {
    if (Module['zzOnEnd']) Module['zzOnEnd']();
  },
});
