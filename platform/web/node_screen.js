// zudezed-framehash under Node.js: emscripten's SDL draws on a page's canvas and
// listens to the page's keyboard. Node.js has neither; this gives it a canvas that
// keeps nothing, a document that sends no events and no gamepads. The comparison reads the
// program's own frame buffers, not the canvas.
var zzNoEvents = {
  addEventListener: function() {}, removeEventListener: function() {},
  getElementById: function() { return null; }
};
if (typeof document == 'undefined') globalThis.document = zzNoEvents;
if (typeof window == 'undefined') globalThis.window = zzNoEvents;
if (typeof navigator == 'undefined') globalThis.navigator = {};
Module['canvas'] = {
  width: 0, height: 0, style: {setProperty: function() {}, removeProperty: function() {}},
  addEventListener: function() {}, removeEventListener: function() {},
  getContext: function() {
    return {
      createImageData: function(w, h) { return {width: w, height: h, data: new Uint8ClampedArray(w * h * 4)}; },
      getImageData: function(x, y, w, h) { return {width: w, height: h, data: new Uint8ClampedArray(w * h * 4)}; },
      putImageData: function() {}
    };
  }
};
// This Node.js has fetch(), which emscripten 3.1.6 would use to load the WebAssembly
// file by a path that is no URL: hand it the file's bytes instead.
Module['wasmBinary'] = require('fs').readFileSync(__filename.replace(/\.js$/, '.wasm'));
