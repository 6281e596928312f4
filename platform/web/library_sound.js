// The browser build's music and page hooks, beside emscripten's SDL and SDL_mixer
// (library_sdl.js). Linked into every browser build of the program.
mergeInto(LibraryManager.library, {
  // A context made by the page on the starting click may play; one that SDL_mixer
  // makes later may be refused by the browser.
  zz_web_adopt_audio_context__deps: ['$SDL'],
  zz_web_adopt_audio_context: function() {
    if (!SDL.audioContext && Module['zzAudioContext']) SDL.audioContext = Module['zzAudioContext'];
  },

  // Whether music may start now: 1 when the context plays, 0 when it will not (none,
  // closed, its start refused, or still not started when the program stops waiting,
  // last != 0), -1 while it is still starting (Firefox's context runs some 700 ms after
  // the click). A context that the browser has not let play would start it whenever
  // it is let play later, out of step with the pictures.
  zz_web_sound_allowed__deps: ['$SDL'],
  zz_web_sound_allowed: function(last) {
    var ctx = SDL.audioContext;
    if (ctx && ctx.state === 'running') return 1;
    if (ctx && ctx.state === 'suspended' && !ctx.zzRefused && !last) return -1;
    if (Module['zzOnSoundRefused']) Module['zzOnSoundRefused']();
    return 0;
  },

  // Mix_LoadMUS, with the browser's decoding watched: SDL_mixer asks the context to
  // decode without a way to fail, so a file the browser cannot decode would only be
  // waited for. Its decodeAudioData is shadowed on the context for the one call.
  zz_web_load_music__deps: ['$SDL', 'Mix_LoadMUS'],
  zz_web_load_music: function(path) {
    var ctx = SDL.audioContext, failure = {failed: false};
    if (ctx) {
      var decode = ctx.decodeAudioData;
      ctx.decodeAudioData = function(bytes, decoded) {
        var done = decode.call(ctx, bytes, decoded, function() { failure.failed = true; });
        if (done && done.catch) done.catch(function() { failure.failed = true; });
        return done;
      };
    }
    var id;
    try {
      id = _Mix_LoadMUS(path);
    } finally {
      if (ctx) delete ctx.decodeAudioData;
    }
    var info = SDL.audios[id];
    if (info && info.webAudio) info.webAudio.zzFailure = failure;
    return id;
  },

  zz_web_music_decoding__deps: ['$SDL'],
  zz_web_music_decoding: function(id) {
    var info = SDL.audios[id];
    if (!info || !info.webAudio || info.webAudio.onDecodeComplete === undefined) return 0;
    return info.webAudio.zzFailure && info.webAudio.zzFailure.failed ? 0 : 1;
  },

  zz_web_music_undecodable__deps: ['$SDL'],
  zz_web_music_undecodable: function(id) {
    var info = SDL.audios[id];
    if (!info || !info.webAudio || !info.webAudio.zzFailure || !info.webAudio.zzFailure.failed) return 0;
    if (Module['zzOnMusicUndecodable']) Module['zzOnMusicUndecodable']();
    return 1;
  },

  // The context time heard at this moment. Each engine reports it differently, and
  // some wrongly, so every reading is checked before it is used:
  //  - the output timestamp carried forward to now, when its moment lies in the recent
  //    past and its context time not ahead of the context's clock (one engine reports
  //    a performance time in the future, the context time added to now);
  //  - a timestamp that carried forward lands on the context's clock rather than about
  //    the output's latency behind it has left the latency out (another engine): the
  //    latency is taken off. Which of the two an engine does is learnt from the
  //    readings' average distance behind the clock (a single reading moves by up to
  //    one step of the clock);
  //  - otherwise the context's clock less the output's latency (outputLatency, or
  //    baseLatency where that is missing or out of range);
  //  - except in Firefox on Linux, where either query can hang the page for good: both
  //    ask the sound server for the stream's latency while holding the audio graph's
  //    lock, and the sound server's thread, waiting inside its own lock for the graph's
  //    next block of sound, waits for that graph lock too (3 of 17 starts after a
  //    browser launch hung on PulseAudio, always at the first query once the music
  //    plays). There neither is asked, and the steady clock (zzSteadyClock) less
  //    kFirefoxLinuxS is taken as heard: the distance its recorded output showed on
  //    the test's sound server;
  //  - and in WebKit on Linux (GStreamer), which reports no output latency at all
  //    (outputLatency 0; its output timestamp's context time is only the clock less
  //    baseLatency) while its output is heard kWebKitLinuxS after the steady clock:
  //    that is taken off where no usable outputLatency is reported;
  //  - and in Chromium on Linux, whose steadied timestamp places the output
  //    kChromiumLinuxS later than its recorded output is heard (2.5 to 10.5 ms on
  //    the test's sound server in nine runs on two machines, busy or not; the
  //    median): that is added back.
  // Where the context's clock is used without a timestamp, it is the steady clock:
  // the clock itself moves in steps (8.7 to 17.4 ms in Firefox) or unevenly (WebKit's by
  // 3 to 20 ms, and up to 20 ms off its own pace), which would make every reading off
  // by up to a step.
  // fromTimestamp: whether the last reading came from the output timestamp.
  $zzClock: {behind: -1, kFirefoxLinuxS: 0.037, kWebKitLinuxS: 0.127, kChromiumLinuxS: 0.006, engine: null,
             fromTimestamp: false},
  $zzEngine__deps: ['$zzClock'],
  $zzEngine: function() {
    if (zzClock.engine === null) {
      var ua = typeof navigator === 'object' && navigator.userAgent || '';
      var linux = /Linux/.test(ua) && !/Android/.test(ua);
      zzClock.engine = !linux ? '' : /Firefox\//.test(ua) ? 'firefox-linux'
                     : /Chrom(e|ium)\//.test(ua) ? 'chromium-linux'
                     : /AppleWebKit\//.test(ua) ? 'webkit-linux' : '';
    }
    return zzClock.engine;
  },
  $zzLatency__deps: ['$zzClock', '$zzEngine'],
  $zzLatency: function(ctx) {
    function usable(s) { return typeof s === 'number' && s > 0 && s < 1; }
    if (usable(ctx.outputLatency)) return ctx.outputLatency;
    if (zzEngine() === 'webkit-linux') return zzClock.kWebKitLinuxS;
    return usable(ctx.baseLatency) ? ctx.baseLatency : 0;
  },
  // The context's clock as a steady clock: continuous, never running backwards, and
  // not off by the clock's steps. Each reading of the clock, taken against the page's
  // clock, lies at most one step behind the clock's true position, so the readings'
  // highest distance from the page's clock over the last kWindowMs (the readings just
  // after a step) places it; the page's clock carries it between readings. Readings
  // further below that than the clock's larger steps allow, for kStallMs on end, mean
  // the output stalled: the window starts again from them, and the estimate stands
  // still until the clock reaches it again. (A single reading that low is the clock's
  // pace jittering: WebKit's readings lie up to 28 ms apart around a steady output.)
  // The same envelope steadies the output timestamp (zzHeardNow), whose readings come
  // late by as much as the audio thread was late to report them.
  $zzSteady: {clock: {ctx: null, at: [], off: [], last: -Infinity, lowSince: -1},
              stamp: {ctx: null, at: [], off: [], last: -Infinity, lowSince: -1}, kWindowMs: 1000, kSlackS: 0.003,
              kStallMs: 50},
  $zzSteadyClock__deps: ['$zzSteady', '$zzEnvelope'],
  $zzSteadyClock: function(ctx, now) {
    return zzEnvelope(zzSteady.clock, ctx, ctx.currentTime - now / 1000, now);
  },
  // A context time off the page's clock (off, seconds, read at now, ms), steadied in
  // the window s: the context time at now.
  $zzEnvelope__deps: ['$zzSteady', '$zzFollow'],
  $zzEnvelope: function(s, ctx, off, now) {
    if (s.ctx !== ctx) {
      s.ctx = ctx;
      s.at = [];
      s.off = [];
      s.last = -Infinity;
      s.lowSince = -1;
    }
    var env = s.off.length ? Math.max.apply(null, s.off) : off;
    if (off >= env - Math.max(zzFollow.stepMax, zzFollow.kStepDefaultS) - zzSteady.kSlackS) {
      s.lowSince = -1;
    } else if (s.lowSince < 0) {
      s.lowSince = now;
    } else if (now - s.lowSince >= zzSteady.kStallMs) {
      // Only the readings since the stall began.
      while (s.at.length && s.at[0] < s.lowSince) {
        s.at.shift();
        s.off.shift();
      }
      s.lowSince = -1;
    }
    s.at.push(now);
    s.off.push(off);
    while (s.at[0] < now - zzSteady.kWindowMs) {
      s.at.shift();
      s.off.shift();
    }
    var t = now / 1000 + Math.max.apply(null, s.off);
    if (t < s.last) t = s.last;
    s.last = t;
    return t;
  },
  $zzHeardNow__deps: ['$zzClock', '$zzLatency', '$zzEngine', '$zzSteadyClock', '$zzSteady', '$zzEnvelope'],
  $zzHeardNow: function(ctx) {
    var now = performance.now();
    zzClock.fromTimestamp = false;
    if (zzEngine() === 'firefox-linux') return zzSteadyClock(ctx, now) - zzClock.kFirefoxLinuxS;
    var clock = ctx.currentTime, latency = zzLatency(ctx);
    var ts = ctx.getOutputTimestamp ? ctx.getOutputTimestamp() : null;
    if (ts && typeof ts.performanceTime === 'number' && ts.performanceTime > 0 &&
        ts.performanceTime <= now + 1 && now - ts.performanceTime < 1000 &&
        ts.contextTime >= 0 && ts.contextTime <= clock + 0.001) {
      var heard = ts.contextTime + (now - ts.performanceTime) / 1000;
      if (heard <= clock + 0.1) {
        heard = zzEnvelope(zzSteady.stamp, ctx, ts.contextTime - ts.performanceTime / 1000, now);
        if (zzEngine() === 'chromium-linux') heard += zzClock.kChromiumLinuxS;
        var behind = clock - heard;
        zzClock.behind = zzClock.behind < 0 ? Math.max(0, behind) : zzClock.behind * 0.9 + behind * 0.1;
        zzClock.fromTimestamp = true;
        return latency > 0 && zzClock.behind < latency / 2 ? heard - latency : heard;
      }
    }
    return zzSteadyClock(ctx, now) - latency;
  },

  zz_web_music_until_heard__deps: ['$SDL', '$zzHeardNow', '$zzClockStep'],
  zz_web_music_until_heard: function() {
    var ctx = SDL.audioContext, audio = SDL.music.audio;
    if (!ctx || ctx.state !== 'running' || !audio || !audio.webAudioNode) return 0;
    zzClockStep(ctx);
    var ms = (audio.startTime - zzHeardNow(ctx)) * 1000;
    return ms > 0 ? Math.ceil(ms) : 0;
  },

  // The timeline clock starts: the page may now read the music's and the timeline's
  // positions (zzSync) to see that they agree (timelineMs is null while paused).
  zz_web_timeline_starts__deps: ['$SDL', '$zzHeardNow', '$zzFollow', '$zzApartMs'],
  zz_web_timeline_starts: function() {
    Module['zzTimelineStarted'] = true;
    Module['zzSync'] = function() {
      var ctx = SDL.audioContext, audio = SDL.music.audio;
      var clockMs = Module['_zz_web_timeline_ms']();
      var result = {
        timelineMs: clockMs >= 0 ? clockMs : null,
        contextState: ctx ? ctx.state : 'none',
        contextTime: ctx ? ctx.currentTime : 0,
        musicMs: null,
        musicRestarts: Module['zzMusicRestarts'] || 0,
        apartMs: zzApartMs(),
        clockStepMs: zzFollow.step * 1000,
        clockStepMaxMs: zzFollow.stepMax * 1000
      };
      if (ctx && audio && audio.webAudioNode) result.musicMs = (zzHeardNow(ctx) - audio.startTime) * 1000;
      return result;
    };
    if (Module['zzOnTimelineStart']) Module['zzOnTimelineStart']();
  },

  // The music follows the timeline clock. The browser's audio output can stall (on a
  // busy machine, 10 to 90 ms at a time) while the page clock runs on, and a paused
  // and resumed recording starts again only after the output's latency: both leave the
  // music behind the pictures for good. A jump moves the timeline but not the
  // recording. So at every frame the position heard is compared with the timeline
  // time (the recording starts at timeline time 0); when they stay more than
  // zzApartMs() apart for kApartFrames frames in a row (a single reading may be off by
  // the output timestamp's own jitter), the recording is started again, kLeadS ahead
  // on the context's clock, at the position the timeline will have when it is heard.
  // The old source plays until the new one starts: the seam is one cut, no gap. While
  // a new source waits for its start (an output that has stopped altogether leaves
  // the context's clock standing), it is not replaced by another.
  // How far apart counts: kApartMs where the position heard comes from the output
  // timestamp (carried forward on the page's clock, it does not move in the context
  // clock's steps); otherwise kApartMs, or more where the context's clock moves in
  // larger steps (8.7 to 17.4 ms in one engine), since even the steady clock may be off
  // by up to a step where few readings fall just after one.
  // A lasting difference is mended too: where the timestamp is read, a difference of
  // more than kSettleMs in the slowly smoothed readings (slow) for kSettleFor ms on end
  // starts the music again. One engine's timestamp is off by more in the output's
  // first seconds and on a busy machine, and its readings drift by 2 to 6 ms in 20 s
  // while the output keeps its place: the start, placed by the first readings, stayed
  // off for good while the readings kept within the limit (heard 15 to 31 ms early).
  $zzFollow: {apart: 0, restarts: 0, startsAt: 0, kApartMs: 8, kApartFrames: 3, kLeadS: 0.05,
              kStepReadings: 60, sampling: false, advances: [], step: 0, stepMax: 0, kStepDefaultS: 0.02,
              kTickMs: 4, smooth: null, kSmooth: 0.3, slow: null, kSlow: 0.05, settleSince: -1,
              kSettleMs: 4, kSettleFor: 1000},
  $zzApartMs__deps: ['$zzFollow', '$zzClock'],
  $zzApartMs: function() {
    return zzClock.fromTimestamp ? zzFollow.kApartMs : Math.max(zzFollow.kApartMs, zzFollow.step * 1000 + 2);
  },
  // The context clock's step: the median of its advances, read every millisecond or
  // so (the page's frames are too far apart to see it) until kStepReadings are seen;
  // and its larger steps (stepMax, nine in ten advances at most that), which an
  // uneven clock takes now and then (WebKit's: 2.9 to 20 ms).
  $zzClockStep__deps: ['$zzFollow'],
  $zzClockStep: function(ctx) {
    var f = zzFollow;
    if (f.sampling) return;
    f.sampling = true;
    var last = ctx.currentTime, lastAt = performance.now();
    var timer = setInterval(function() {
      var clock = ctx.currentTime, at = performance.now();
      // An advance seen by a timer that came late (the page's thread busy) may span
      // several steps (WebKit's read 113 ms at the start): it is not counted.
      if (ctx.state === 'running' && clock > last && at - lastAt <= f.kTickMs) {
        f.advances.push(clock - last);
        var sorted = f.advances.slice().sort(function(x, y) { return x - y; });
        f.step = sorted[sorted.length >> 1];
        f.stepMax = sorted[Math.floor((sorted.length - 1) * 0.9)];
      }
      last = clock;
      lastAt = at;
      if (f.advances.length >= f.kStepReadings || ctx.state === 'closed') clearInterval(timer);
    }, 1);
  },
  $zzMusicFollow__deps: ['$SDL', '$zzClock', '$zzHeardNow', '$zzFollow', '$zzClockStep', '$zzApartMs'],
  $zzMusicFollow: function(timelineMs) {
    var f = zzFollow, ctx = SDL.audioContext, audio = SDL.music.audio;
    var old = audio && audio.webAudioNode;
    if (ctx && ctx.state === 'running') zzClockStep(ctx);
    if (timelineMs < 0 || !ctx || ctx.state !== 'running' || !old || !old.buffer ||
        ctx.currentTime < f.startsAt) {
      f.apart = 0;
      f.smooth = null;
      f.slow = null;
      f.settleSince = -1;
      return;
    }
    var heard = zzHeardNow(ctx);
    // The readings smoothed over a few frames: one engine's clock advances unevenly
    // (by 0.66 to 0.94 s in 0.7 s of the page's clock on a busy machine), which single
    // readings would take for the music drifting away; a stall still shows at once.
    var now = performance.now();
    var reading = (heard - audio.startTime) * 1000 - timelineMs;
    f.smooth = f.smooth === null ? reading : f.smooth + (reading - f.smooth) * f.kSmooth;
    f.slow = f.slow === null ? reading : f.slow + (reading - f.slow) * f.kSlow;
    if (!zzClock.fromTimestamp || Math.abs(f.slow) <= f.kSettleMs) f.settleSince = -1;
    else if (f.settleSince < 0) f.settleSince = now;
    var lasting = f.settleSince >= 0 && now - f.settleSince >= f.kSettleFor;
    if (!lasting) {
      if (Math.abs(f.smooth) <= zzApartMs()) {
        f.apart = 0;
        return;
      }
      if (++f.apart < f.kApartFrames) return;
    }
    f.apart = 0;
    f.settleSince = -1;
    var when = ctx.currentTime + f.kLeadS;
    var offset = Math.max(0, when - heard + timelineMs / 1000);
    // Past the recording's end (a jump to the very end): the music ends as it is.
    if (offset >= old.buffer.duration) return;
    var node = ctx.createBufferSource();
    node.buffer = old.buffer;
    node.loop = old.loop;
    node.onended = old.onended;
    node.connect(audio.webAudioPannerNode);
    old.onended = undefined;
    old.stop(when);
    node.start(when, offset);
    audio.webAudioNode = node;
    audio.startTime = when - offset;
    f.startsAt = when;
    f.restarts += 1;
    Module['zzMusicRestarts'] = f.restarts;
  },

  // The browser's player plays a recording of the module, which has no orders to
  // start at (emscripten's SDL_mixer has no Mix_SetMusicPosition): after a jump the
  // recording follows the timeline by itself (zzMusicFollow). SDL_mixer's answer for a
  // music that cannot be positioned.
  Mix_SetMusicPosition: function(position) {
    return -1;
  },

  // The run is over; a new run is a new instance of the program. This one's SDL stops
  // listening to the page, or it would keep collecting its key presses (and keep the
  // whole instance alive) for as long as the page is open.
  zz_web_demo_ended__deps: ['$SDL'],
  zz_web_demo_ended: function() {
    if (SDL.receiveEvent) {
      var keys = Module['keyboardListeningElement'] || document;
      ['keydown', 'keyup', 'keypress'].forEach(function(type) {
        keys.removeEventListener(type, SDL.receiveEvent);
      });
      window.removeEventListener('focus', SDL.receiveEvent);
      window.removeEventListener('blur', SDL.receiveEvent);
      window.removeEventListener('unload', SDL.receiveEvent);
      document.removeEventListener('visibilitychange', SDL.receiveEvent);
    }
    if (Module['zzOnEnd']) Module['zzOnEnd']();
  },
});
