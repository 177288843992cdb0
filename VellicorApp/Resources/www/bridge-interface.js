// The page side of the app's script interface: window.myvellicor.nativejsapi.
//
// Injected at document start in the main frame, before the page's own code
// and before the app's client-feature script, which writes into the object.
// An object the page (or an earlier run) made is kept with its members; a
// value that is no object gives way to a new one. Posts nothing and needs no
// message handlers, so it also runs where the app registered none.
(function (root) {
  'use strict';

  function isObject(value) {
    return value !== null && (typeof value === 'object' || typeof value === 'function');
  }

  if (!isObject(root.myvellicor)) {
    root.myvellicor = {};
  }
  if (!isObject(root.myvellicor.nativejsapi)) {
    root.myvellicor.nativejsapi = {};
  }
})(window);
