// The Tarnix page runtime: window.tarnix.call(service, action, args) posts
// {"service", "action", "args"} to the app's "tarnix" message handler and
// returns the promise of the app's reply.
//
// Injected at document start in the main frame. A second run keeps the
// runtime already there. The handler is looked up at each call, so a call
// made where the app offers no bridge is rejected rather than thrown.
(function (root) {
  'use strict';

  if (root.tarnix !== undefined && root.tarnix !== null) {
    return;
  }

  function handler() {
    var webkit = root.webkit;
    var handlers = webkit !== undefined && webkit !== null ? webkit.messageHandlers : undefined;
    var tarnix = handlers !== undefined && handlers !== null ? handlers.tarnix : undefined;
    return tarnix !== undefined && tarnix !== null && typeof tarnix.postMessage === 'function' ? tarnix : undefined;
  }

  function call(service, action, args) {
    if (typeof service !== 'string' || service === '' || typeof action !== 'string' || action === '') {
      return Promise.reject(new TypeError('tarnix.call needs a service and an action'));
    }
    var target = handler();
    if (target === undefined) {
      return Promise.reject(new Error('The Tarnix bridge is not available'));
    }
    try {
      return Promise.resolve(target.postMessage({ service: service, action: action, args: args === undefined ? null : args }));
    } catch (error) {
      return Promise.reject(error);
    }
  }

  Object.defineProperty(root, 'tarnix', {
    value: Object.freeze({ call: call }),
    writable: false,
    enumerable: true,
    configurable: false,
  });
})(window);
