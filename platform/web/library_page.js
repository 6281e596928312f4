// Presenting frames in the page. The canvas already holds the frame when SDL_Flip is
// called (emscripten's SDL copies the screen to it on SDL_UnlockSurface); SDL_Flip
// then hands the thread back to the browser, which shows the canvas, and returns at
// the next display frame: a flip that waits for the display (built with ASYNCIFY,
// which lets the program's own loops stop and resume here).
//
//  - Timeline frames: one per display frame (requestAnimationFrame). A hidden page
//    gets no display frames; a timer then resumes the loop, so the timeline keeps
//    going by its clock.
//    At every timeline frame the music is kept with the timeline (zzMusicFollow).
//  - The progress screen (before the timeline starts): the precalculation goes on
//    without waiting and hands over only when a display frame is due, so it takes
//    as long as its work, as on the desktop.
//  - The page's one-frame mode (Module.zzFast): frames on the simulated clock, drawn
//    back to back, handing over now and then so that the page stays responsive.
mergeInto(LibraryManager.library, {
  $zzFlip: {last: 0, wasLive: false},

  SDL_Flip__deps: ['$Asyncify', '$zzFlip', '$zzMusicFollow'],
  SDL_Flip: function(surf) {
    if (Asyncify.state !== Asyncify.State.Normal) return Asyncify.handleSleep(null);
    var now = performance.now();
    var live = Module['zzTimelineStarted'] && !Module['zzFast'];
    // The frame's own work: from the end of the previous flip to this one.
    if (live && zzFlip.wasLive && Module['zzOnFrameWork']) {
      Module['zzOnFrameWork'](now - zzFlip.last, Module['_zz_web_part']());
    }
    zzFlip.wasLive = live;
    if (live) zzMusicFollow(Module['_zz_web_timeline_ms']());
    if (!live && now - zzFlip.last < (Module['zzFast'] ? 50 : 16)) return 0;
    if (Module['zzOnYield']) Module['zzOnYield']();
    return Asyncify.handleSleep(function(wakeUp) {
      var done = false, timer = 0;
      function resume() {
        if (done) return;
        done = true;
        clearTimeout(timer);
        zzFlip.last = performance.now();
        wakeUp(0);
      }
      if (Module['zzFast']) {
        var channel = new MessageChannel();
        channel.port1.onmessage = resume;
        channel.port2.postMessage(0);
        return;
      }
      requestAnimationFrame(resume);
      timer = setTimeout(resume, 250);
    });
  },
});
