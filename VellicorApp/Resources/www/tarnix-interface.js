// Offers the plug-in bridge runtime to the page as
// myvellicor.nativejsapi.tarnix, once both exist.
//
// Injected at document end in the main frame. Without the runtime
// (window.tarnix) or without the interface object, it leaves everything as it
// is. Posts nothing and adds no globals.
(function (root) {
  'use strict';

  function isObject(value) {
    return value !== null && (typeof value === 'object' || typeof value === 'function');
  }

  var api = isObject(root.myvellicor) ? root.myvellicor.nativejsapi : undefined;
  if (!isObject(api)) {
    return;
  }
  if (root.tarnix === undefined || root.tarnix === null) {
    return;
  }
  api.tarnix = root.tarnix;
})(window);
