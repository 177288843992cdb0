// The page scripts of the app package, each run as a page would run it: in a
// fresh context whose global object is the page's window, with a web kit
// whose message handlers record every post.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { test } from 'node:test';
import vm from 'node:vm';

const resources = process.env.VELLICOR_APP_RESOURCES_DIR;
if (!resources) throw new Error('VELLICOR_APP_RESOURCES_DIR is not set');
const bridgeInterface = readFileSync(`${resources}/www/bridge-interface.js`, 'utf8');
const tarnixInterface = readFileSync(`${resources}/www/tarnix-interface.js`, 'utf8');
// The client-feature script the app injects after bridge-interface.js.
const clientFeatures = `myvellicor.nativejsapi.clientFeatures = '{"forceAppUpdate":{"enabled":true}}';`;

/** A page's window: `withWebKit` adds handlers that record what is posted to them. */
function makePage({ withWebKit = true, globals = {} } = {}) {
  const posts = [];
  const window = vm.createContext({ ...globals });
  window.window = window;
  if (withWebKit) {
    const handlers = new Proxy({}, {
      get: (_, name) => ({ postMessage: (body) => posts.push({ name, body }) }),
    });
    window.webkit = { messageHandlers: handlers };
  }
  const run = (source) => vm.runInContext(source, window);
  const names = () => Object.keys(window).filter((key) => key !== 'window' && key !== 'webkit').sort();
  return { window, posts, run, names };
}

test('the bridge interface makes the namespace, or keeps the one there with its members', () => {
  const keptApi = { existing: 1 };
  const keptApp = { nativejsapi: keptApi, other: 'kept' };
  const cases = [
    { name: 'nothing there', globals: {}, keepsApi: false, keepsApp: false },
    { name: 'the app object without the interface', globals: { myvellicor: { other: 'kept' } }, keepsApi: false, keepsApp: true },
    { name: 'both there', globals: { myvellicor: keptApp }, keepsApi: true, keepsApp: true },
    { name: 'a null interface', globals: { myvellicor: { nativejsapi: null } }, keepsApi: false, keepsApp: true },
    { name: 'a string in place of the app object', globals: { myvellicor: 'page text' }, keepsApi: false, keepsApp: false },
  ];
  for (const c of cases) {
    const page = makePage({ globals: c.globals });
    const before = page.window.myvellicor;
    page.run(bridgeInterface);
    const app = page.window.myvellicor;
    assert.equal(typeof app, 'object', c.name);
    assert.equal(typeof app.nativejsapi, 'object', c.name);
    assert.notEqual(app.nativejsapi, null, c.name);
    if (c.keepsApp) assert.equal(app, before, c.name);
    if (c.keepsApi) {
      assert.equal(app.nativejsapi, keptApi, c.name);
      assert.equal(app.nativejsapi.existing, 1, c.name);
      assert.equal(app.other, 'kept', c.name);
    }
    assert.deepEqual(page.names(), ['myvellicor'], c.name);
    assert.deepEqual(page.posts, [], c.name);
  }
});

test('the client-feature text reaches the page as a string after the bridge interface', () => {
  const page = makePage();
  page.run(bridgeInterface);
  page.run(clientFeatures);
  const features = page.window.myvellicor.nativejsapi.clientFeatures;
  assert.equal(features, '{"forceAppUpdate":{"enabled":true}}');
  assert.deepEqual(JSON.parse(features), { forceAppUpdate: { enabled: true } });
});

test('a second run of every script changes nothing', () => {
  const runtime = { call() {} };
  const page = makePage({ globals: { tarnix: runtime } });
  for (const source of [bridgeInterface, clientFeatures, tarnixInterface]) page.run(source);
  const app = page.window.myvellicor;
  const api = app.nativejsapi;
  const members = Object.keys(api).sort();
  for (const source of [bridgeInterface, tarnixInterface]) page.run(source);
  assert.equal(page.window.myvellicor, app);
  assert.equal(app.nativejsapi, api);
  assert.deepEqual(Object.keys(api).sort(), members);
  assert.equal(api.clientFeatures, '{"forceAppUpdate":{"enabled":true}}');
  assert.equal(api.tarnix, runtime);
});

test('the bridge runtime is offered when present and nothing changes without it', () => {
  const runtime = { call() {} };
  const cases = [
    { name: 'runtime present', globals: { tarnix: runtime }, expected: runtime },
    { name: 'runtime absent', globals: {}, expected: undefined },
    { name: 'runtime null', globals: { tarnix: null }, expected: undefined },
  ];
  for (const c of cases) {
    const page = makePage({ globals: c.globals });
    page.run(bridgeInterface);
    page.run(tarnixInterface);
    assert.equal(page.window.myvellicor.nativejsapi.tarnix, c.expected, c.name);
    assert.ok(!('tarnix' in page.window.myvellicor.nativejsapi) || c.expected !== undefined, c.name);
    assert.deepEqual(page.posts, [], c.name);
  }
});

test('the runtime script leaves a page without the interface alone', () => {
  const page = makePage({ globals: { tarnix: {} } });
  page.run(tarnixInterface);
  assert.equal(page.window.myvellicor, undefined);
  assert.deepEqual(page.names(), ['tarnix']);
});

test('no script needs the web kit or posts to it', () => {
  for (const withWebKit of [false, true]) {
    const page = makePage({ withWebKit, globals: { tarnix: {} } });
    assert.doesNotThrow(() => {
      page.run(bridgeInterface);
      page.run(clientFeatures);
      page.run(tarnixInterface);
    });
    assert.deepEqual(page.posts, []);
    assert.deepEqual(page.names(), ['myvellicor', 'tarnix']);
  }
});
