// The plug-in bridge's page runtime (tarnix.js of the bridge library's
// resources), run as a page runs it: in a fresh context whose global object
// is the page's window, with a "tarnix" message handler that records each
// post and answers with a promise the test settles.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { test } from 'node:test';
import vm from 'node:vm';

const resources = process.env.TARNIX_BRIDGE_RESOURCES_DIR;
if (!resources) throw new Error('TARNIX_BRIDGE_RESOURCES_DIR is not set');
const runtime = readFileSync(`${resources}/tarnix.js`, 'utf8');

/** A page's window; `handler` is what window.webkit.messageHandlers.tarnix is. */
function makePage({ handler, globals = {} } = {}) {
  const posts = [];
  const window = vm.createContext({ ...globals });
  window.window = window;
  const settle = { resolve: undefined, reject: undefined };
  const tarnix = handler !== undefined ? handler : {
    postMessage: (body) => {
      posts.push(body);
      return new Promise((resolve, reject) => { settle.resolve = resolve; settle.reject = reject; });
    },
  };
  window.webkit = { messageHandlers: { tarnix } };
  vm.runInContext(runtime, window);
  return { window, posts, settle };
}

test('a call posts service, action and args and returns the reply as a promise', async () => {
  const page = makePage();
  const cases = [
    { args: { animated: false }, expected: { animated: false } },
    { args: undefined, expected: null },
    { args: [1, 'two'], expected: [1, 'two'] },
  ];
  for (const c of cases) {
    const result = page.window.tarnix.call('BarcodeScanner', 'scan', c.args);
    const body = page.posts.at(-1);
    assert.equal(body.service, 'BarcodeScanner');
    assert.equal(body.action, 'scan');
    assert.deepEqual(JSON.parse(JSON.stringify(body.args)), c.expected);
    page.settle.resolve({ text: 'code' });
    assert.deepEqual(await result, { text: 'code' });
  }
});

test('a rejected reply rejects the call', async () => {
  const page = makePage();
  const result = page.window.tarnix.call('LocationService', 'getCurrentPosition');
  page.settle.reject(new Error('The device\'s location is not known.'));
  await assert.rejects(result, /location is not known/);
});

test('calls that cannot reach the app are rejected, never thrown', async () => {
  const cases = [
    { name: 'no service', call: (t) => t.call('', 'scan') },
    { name: 'a service that is not text', call: (t) => t.call(7, 'scan') },
    { name: 'no action', call: (t) => t.call('BarcodeScanner') },
  ];
  const page = makePage();
  for (const c of cases) {
    let result;
    assert.doesNotThrow(() => { result = c.call(page.window.tarnix); }, c.name);
    // Errors come from the page's realm: compare by name.
    await assert.rejects(result, (error) => error.name === 'TypeError', c.name);
  }
  assert.deepEqual(page.posts, []);

  const handlers = [
    { name: 'no handler', handler: null },
    { name: 'a handler without postMessage', handler: {} },
    { name: 'a postMessage that throws', handler: { postMessage() { throw new Error('gone'); } } },
  ];
  for (const h of handlers) {
    const page = makePage({ handler: h.handler });
    let result;
    assert.doesNotThrow(() => { result = page.window.tarnix.call('AppReviewService', 'requestReview'); }, h.name);
    await assert.rejects(result, (error) => typeof error.message === 'string', h.name);
  }
});

test('the runtime is defined once and cannot be replaced by the page', () => {
  const page = makePage();
  const first = page.window.tarnix;
  vm.runInContext(runtime, page.window);
  assert.equal(page.window.tarnix, first);
  vm.runInContext('window.tarnix = { call() { return 1; } };', page.window);
  assert.equal(page.window.tarnix, first);
  assert.ok(Object.isFrozen(first));
  assert.deepEqual(Object.keys(first), ['call']);
});

test('a runtime the page already has is kept', () => {
  const existing = { call() {} };
  const page = makePage({ globals: { tarnix: existing } });
  assert.equal(page.window.tarnix, existing);
  assert.deepEqual(page.posts, []);
});
