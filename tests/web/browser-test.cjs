'use strict';
// The browser version as a viewer meets it, in the system's headless Chromium driven by
// playwright-core (no browser of its own is downloaded). Run by run-web-test.sh:
//   node browser-test.cjs <site> <capture folder> <spoiled data folder> <output folder> <moments> <speed>
// <site> is the built web folder; <capture folder> holds tepple-capture's PNGs of <moments> (and of
// 45.2 s, the background alone); each subfolder of <spoiled data folder> holds a data package
// (tepple.data, tepple-data.js) served under its own name instead of the real one; /no-wasm/ serves
// the site without its tepple.wasm, /no-data/ without its tepple.data. Runs, each in a fresh
// browser context:
//   realtime       start on the click (first frame and music in the same gesture), a scene over the
//                  stone background, the picture filling the page at 4:3, the demo's time the
//                  music's position within a frame at several points, a hidden page pausing both
//                  and resuming both in step; modifiers alone, a browser shortcut, Tab and Shift+Tab,
//                  the volume and media keys, Print Screen, Pause and F (full screen, filling the
//                  screen) do not end it, Enter on the focused Full screen button presses it; a click
//                  on the picture ends it and stops the music; the end panel scrolls in a small
//                  window; a held key does not start it again; play again works;
//   sizes          phone (both ways up), tablet and laptop screens: the picture fills the largest
//                  4:3 box, whatever scale it is drawn at (an asked one included), the scale never
//                  beyond what the device's pixels call for; a pinch does not end the demo, a tap
//                  does;
//   sound-refused  started without a gesture the browser refuses sound: the page says so, the demo
//                  runs, and its button turns the sound on in step with the picture; on a touch
//                  screen, a tap on the picture ends it;
//   sound-failed   no Web Audio, an AudioContext that cannot be made, a soundtrack that cannot be
//                  decoded: each says why in one line, and the demo plays in silence without
//                  holding its first frame;
//   fixed, fixed-nosimd  ?fixed=60, with the SIMD program and with the one without SIMD: the
//                  frames at <moments> equal tepple-capture's exactly, and the timeline's end ends
//                  the run;
//   missing-flare  the texture message on the page and in the console, and the demo goes on;
//   broken-mesh    the mesh error on the page and in the console, and the demo stopped;
//   no-wasm, no-data  the program or the data missing: one sentence on the page naming the file;
//   from-disk      the page opened as a file says it needs a web server and how to get one.
// No run may log a console error other than the data-file message it expects. On a failure the
// page's screenshot (and, for a frame, the browser's picture) goes to the output folder.
const { chromium } = require('playwright-core');
const http = require('http');
const fs = require('fs');
const path = require('path');
const { execFileSync } = require('child_process');

const [site, captureDir, spoiledDir, outDir, momentList, speedArgument] = process.argv.slice(2);
const moments = momentList.split(',').map(Number);
const speed = Number(speedArgument);
const fps = 60;
const width = 640;
const height = 480;
const title = 'Tepple polygon engine';

class Failure extends Error {}
function check(condition, message) {
  if (!condition) throw new Failure(message);
}

// --- the server: the site, with a spoiled data package under /<variant>/ ---------------------------

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                '.data': 'application/octet-stream' };
const variants = fs.readdirSync(spoiledDir);
// Site variants that lack one file.
const withheld = { 'no-wasm': 'tepple.wasm', 'no-data': 'tepple.data' };

function fileFor(urlPath) {
  const parts = urlPath.split('/').filter((part) => part !== '');
  let folder = site;
  if (parts.length > 0 && withheld[parts[0]] !== undefined) {
    const missing = withheld[parts.shift()];
    if (parts.join('/') === missing) return null;
  } else if (parts.length > 0 && variants.includes(parts[0])) {
    parts.shift();
    const name = parts.join('/');
    if (name === 'tepple.data' || name === 'tepple-data.js') folder = path.join(spoiledDir, urlPath.split('/')[1]);
  }
  const name = parts.length === 0 ? 'index.html' : parts.join('/');
  if (name.includes('..')) return null;
  return path.join(folder, name);
}

function serve() {
  const server = http.createServer((request, response) => {
    const file = fileFor(decodeURIComponent(new URL(request.url, 'http://localhost').pathname));
    fs.readFile(file || '', (error, bytes) => {
      if (error) {
        response.writeHead(404);
        response.end();
        return;
      }
      // Cross-origin isolation gives the page's frame timing the browser's full clock resolution.
      response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream',
                                'Cross-Origin-Opener-Policy': 'same-origin',
                                'Cross-Origin-Embedder-Policy': 'require-corp' });
      response.end(bytes);
    });
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// --- pictures ---------------------------------------------------------------------------------------

function captureName(seconds) {
  return 't' + seconds.toFixed(3).padStart(7, '0') + '.png';
}

// RGB bytes of a PNG, through ImageMagick.
function readPng(file) {
  return execFileSync('convert', [file, '-depth', '8', 'rgb:-'], { maxBuffer: 16 << 20 });
}

function writeRgbaPng(rgba, file) {
  const raw = file + '.rgba';
  fs.writeFileSync(raw, rgba);
  execFileSync('convert', ['-size', `${width}x${height}`, '-depth', '8', 'rgba:' + raw, file]);
  fs.unlinkSync(raw);
}

// Pixels of the browser's RGBA picture that differ from the RGB reference, and the first of them.
function compare(rgba, rgb) {
  let count = 0;
  let first = null;
  for (let i = 0; i < width * height; ++i) {
    if (rgba[4 * i] !== rgb[3 * i] || rgba[4 * i + 1] !== rgb[3 * i + 1] || rgba[4 * i + 2] !== rgb[3 * i + 2]) {
      if (first === null) {
        const hex = (bytes, at) => '#' + Array.from(bytes.subarray(at, at + 3), (b) => b.toString(16).padStart(2, '0')).join('');
        first = `(${i % width}, ${Math.floor(i / width)}): browser ${hex(rgba, 4 * i)}, native ${hex(rgb, 3 * i)}`;
      }
      ++count;
    }
  }
  return { count, first };
}

// The canvas's pixels, as the page shows them.
async function readCanvas(page) {
  const encoded = await page.evaluate(() => {
    const canvas = document.getElementById('screen');
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let text = '';
    for (let i = 0; i < data.length; i += 0x8000) text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
    return btoa(text);
  });
  return Buffer.from(encoded, 'base64');
}

// --- the page ---------------------------------------------------------------------------------------

// The music as the audio engine plays it, watched from outside the page's code: every source
// started is noted with its context, start time and offset, so the test can say which position of
// the soundtrack is heard at any moment.
function watchAudio() {
  window.audioProbe = { sources: [] };
  const start = AudioBufferSourceNode.prototype.start;
  AudioBufferSourceNode.prototype.start = function(when, offset) {
    window.audioProbe.sources.push({ node: this, when: when || this.context.currentTime, offset: offset || 0 });
    return start.apply(this, arguments);
  };
  // The position heard now of the source started last, or null when none plays.
  window.audioProbe.heard = () => {
    const playing = window.audioProbe.sources[window.audioProbe.sources.length - 1];
    if (!playing || playing.stopped) return null;
    const context = playing.node.context;
    // The output's timestamp moved on to now, where it is fresh; else the rendered time less the
    // latencies.
    const stamp = context.getOutputTimestamp();
    const age = performance.now() - stamp.performanceTime;
    let heard = context.currentTime - (context.outputLatency || 0) - (context.baseLatency || 0);
    if (stamp.performanceTime > 0 && stamp.contextTime > 0 && age < 60) {
      heard = Math.min(context.currentTime, stamp.contextTime + age / 1000);
    }
    return { position: playing.offset + heard - playing.when, context: context.state };
  };
  const stop = AudioBufferSourceNode.prototype.stop;
  AudioBufferSourceNode.prototype.stop = function() {
    for (const source of window.audioProbe.sources) if (source.node === this) source.stopped = true;
    return stop.apply(this, arguments);
  };
}

// Runs `expression` in the page as the page's own code would, without the user gesture that
// playwright's evaluate lends: the page's sound must not be allowed by the test's own probing.
async function quietly(page, expression) {
  if (!page.quietSession) page.quietSession = await page.context().newCDPSession(page);
  const { result, exceptionDetails } = await page.quietSession.send('Runtime.evaluate',
    { expression, userGesture: false, awaitPromise: true, returnByValue: true });
  if (exceptionDetails) throw new Error(`in the page: ${exceptionDetails.exception?.description || exceptionDetails.text}`);
  return result.value;
}

// Counts presented frames, and notes what a click on start has done by the time it returns (the
// page's own handler is registered first, so this one runs after it). Each time the program reads
// the demo's clock, the music heard at that moment is noted beside it.
function installProbe() {
  window.probe = { frames: 0, readings: [] };
  Module.onFrame = () => { window.probe.frames += 1; };
  const seconds = Module.teppleMusic.seconds;
  Module.teppleMusic.seconds = () => {
    const demo = seconds();
    const heard = window.audioProbe.heard();
    window.probe.readings.push({ demo, heard: heard && heard.context === 'running' ? heard.position : null });
    if (window.probe.readings.length > 600) window.probe.readings.shift();
    return demo;
  };
  document.getElementById('start').addEventListener('click', () => {
    window.probe.afterClick = { frames: window.probe.frames, music: Module.teppleMusic.state().mode,
                                state: document.body.dataset.state };
  });
}

async function openPage(browser, server, urlPath, contextOptions = {}) {
  return openPageIn(await browser.newContext({ viewport: { width: 800, height: 500 }, ...contextOptions }), server, urlPath);
}

async function openPageIn(context, server, urlPath) {
  const page = await context.newPage();
  page.consoleErrors = [];
  page.on('console', (message) => {
    if (message.type() === 'error') page.consoleErrors.push(message.text());
  });
  page.on('pageerror', (error) => page.consoleErrors.push('uncaught: ' + error.message));
  await page.addInitScript(watchAudio);
  await page.goto(`http://127.0.0.1:${server.address().port}${urlPath}`);
  // Loading means compiling the program, fetching 4 MB of data and decoding the music: generous
  // on a loaded machine.
  const opened = Date.now();
  const deadline = opened + 60000;
  let reached = '';
  while ((reached = await quietly(page, 'document.body.dataset.state')) === 'loading' && Date.now() < deadline) {
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  check(reached === 'ready', `the page did not offer Start within 60 s: it is "${reached}", ` +
                             `saying "${await quietly(page, "document.getElementById('failure').textContent")}"`);
  page.readySeconds = (Date.now() - opened) / 1000;
  await quietly(page, `(${installProbe})()`);
  return page;
}

const frames = (page) => page.evaluate(() => window.probe.frames);
const state = (page) => page.evaluate(() => document.body.dataset.state);
const music = (page) => page.evaluate(() => Module.teppleMusic.state());
const text = (page, selector) => page.evaluate((s) => Array.from(document.querySelectorAll(s), (e) => e.textContent).join(' | '), selector);

async function waitForState(page, wanted, timeout) {
  try {
    await page.waitForFunction((s) => document.body.dataset.state === s || document.body.dataset.state === 'failed',
                               wanted, { timeout, polling: 50 });
  } catch (error) {
    throw new Failure(`the page did not reach "${wanted}" within ${timeout / 1000} s (it is "${await state(page)}")`);
  }
  const reached = await state(page);
  if (reached !== wanted) throw new Failure(`the page failed: "${await text(page, '#failure')}"`);
}

// Over half a second of frames, the readings of the demo's clock taken while the music was heard
// lie within one frame of the music's position at that moment (the median of them); none is more
// than three frames away, as the audio output of a loaded machine reports its progress in uneven
// bursts of up to its latency (about 40 ms).
async function expectInStep(page, what) {
  await page.evaluate(() => { window.probe.readings = []; });
  await page.waitForTimeout(500);
  const readings = (await page.evaluate(() => window.probe.readings)).filter((reading) => reading.heard !== null);
  check(readings.length >= 5, `${what}: only ${readings.length} frames while the music was heard`);
  const apart = readings.map((reading) => Math.abs(reading.demo - reading.heard)).sort((a, b) => a - b);
  const median = apart[apart.length >> 1];
  const most = apart[apart.length - 1];
  console.log(`  ${what}: picture and music ${(1000 * median).toFixed(1)} ms apart (median; at most ` +
              `${(1000 * most).toFixed(1)} ms) over ${readings.length} frames, demo time ` +
              `${readings[readings.length - 1].demo.toFixed(2)} s`);
  check(median <= 1 / fps && most <= 3 / fps,
        `${what}: the picture is ${(1000 * median).toFixed(1)} ms (at most ${(1000 * most).toFixed(1)} ms) away from the music`);
}

// The page hidden or shown, as a browser tells it when its tab is switched away and back.
async function setHidden(page, hidden) {
  await page.evaluate((hidden) => {
    Object.defineProperty(document, 'visibilityState',
                          { configurable: true, get: () => (hidden ? 'hidden' : 'visible') });
    Object.defineProperty(document, 'hidden', { configurable: true, get: () => hidden });
    document.dispatchEvent(new Event('visibilitychange'));
  }, hidden);
}

const demoSeconds = (page) => page.evaluate(() => Module.teppleMusic.seconds());

// The picture's box in the page: the largest 4:3 box of whole device pixels that fits, centred;
// its pixels crisp where the box is a whole number of device pixels per picture pixel, smoothed
// otherwise.
async function expectFills(page, what) {
  const box = await page.evaluate(() => {
    const canvas = document.getElementById('screen');
    const rect = canvas.getBoundingClientRect();
    return { x: rect.x, y: rect.y, w: rect.width, h: rect.height, viewW: innerWidth, viewH: innerHeight,
             ratio: devicePixelRatio, canvasW: canvas.width, rendering: getComputedStyle(canvas).imageRendering };
  });
  const unit = Math.floor(Math.min(box.viewW * box.ratio / 4, box.viewH * box.ratio / 3));
  const near = (a, b) => Math.abs(a - b) <= 1 / box.ratio + 1e-6;
  check(near(box.w * box.ratio, 4 * unit) && near(box.h * box.ratio, 3 * unit) &&
        near(2 * box.x + box.w, box.viewW) && near(2 * box.y + box.h, box.viewH),
        `${what}: the picture is ${box.w} x ${box.h} at (${box.x}, ${box.y}) in a ${box.viewW} x ${box.viewH} page ` +
        `at pixel ratio ${box.ratio}, not the largest 4:3 box (${4 * unit} x ${3 * unit} device pixels), centred`);
  const crisp = (4 * unit) % box.canvasW === 0;
  check(box.rendering === (crisp ? 'pixelated' : 'auto'),
        `${what}: a ${box.canvasW}-pixel picture ${4 * unit} device pixels wide is scaled with image-rendering ` +
        `"${box.rendering}"`);
  return { width: box.w, height: box.h, drawn: box.canvasW / width };
}

async function expectFramesAdvance(page, what) {
  const before = await frames(page);
  await page.waitForTimeout(700);
  const after = await frames(page);
  check(after > before, `${what}: no new frame in 0.7 s (${before} presented)`);
}

async function expectFramesStopped(page, what) {
  const before = await frames(page);
  await page.waitForTimeout(300);
  check((await frames(page)) === before, `${what}: frames are still being presented`);
}

function expectNoConsoleErrors(page, allowed = () => false) {
  const unexpected = page.consoleErrors.filter((line) => !allowed(line));
  check(unexpected.length === 0, 'errors in the console:\n    ' + unexpected.join('\n    '));
}

// --- the runs ---------------------------------------------------------------------------------------

async function realtime(browser, server) {
  const page = await openPage(browser, server, '/');
  console.log(`  Start offered ${page.readySeconds.toFixed(2)} s after the page was opened`);
  check((await page.title()) === title, `the page's title is "${await page.title()}"`);
  check((await text(page, 'h1')).includes(title), 'the page does not show the title');
  check((await music(page)).mode !== 'music', 'music before the start');

  await page.click('#start');
  const afterClick = await page.evaluate(() => window.probe.afterClick);
  check(afterClick.state === 'playing', `after the click the page is "${afterClick.state}"`);
  check(afterClick.frames === 1, `the click handler presented ${afterClick.frames} frames, not the first one`);
  check(afterClick.music === 'waiting' || afterClick.music === 'music',
        `the music did not start in the click (${afterClick.music})`);
  const label = await page.getAttribute('#screen', 'aria-label');
  check((await page.getAttribute('#screen', 'role')) === 'img' && /stop/.test(label),
        'the playing picture has no role and label saying how to stop it');

  await page.waitForTimeout(3000);
  await expectFills(page, '800 x 500');
  await page.setViewportSize({ width: 1280, height: 960 });
  await page.waitForTimeout(100);
  await expectFills(page, '1280 x 960');
  await page.setViewportSize({ width: 800, height: 500 });

  const picture = await readCanvas(page);
  const background = readPng(path.join(captureDir, captureName(45.2)));
  const { count } = compare(picture, background);
  const share = 1 - count / (width * height);
  console.log(`  after 3 s: ${await frames(page)} frames, ${(100 * share).toFixed(1)} % of the picture is the background`);
  check(share > 0.5, `only ${(100 * share).toFixed(1)} % of the picture is the stone background`);
  check(count > 0.005 * width * height, `nothing is drawn over the background (${count} pixels differ)`);
  await expectFramesAdvance(page, 'playing');

  const playing = await music(page);
  console.log(`  music: ${playing.mode} at ${playing.position.toFixed(2)} s of ${playing.duration.toFixed(1)} s`);
  check(playing.mode === 'music' && playing.position > 1, `the music is not playing (${JSON.stringify(playing)})`);
  await expectInStep(page, 'after 3 s');
  await page.waitForTimeout(1000);
  await expectInStep(page, 'after 4.5 s');

  // Hidden: no frame, no music, no time; shown again: both go on from where they stopped.
  await setHidden(page, true);
  await page.waitForTimeout(200);
  const hiddenAt = { demo: await demoSeconds(page), frames: await frames(page),
                     heard: await page.evaluate(() => window.audioProbe.heard()) };
  await page.waitForTimeout(1500);
  const stillHidden = { demo: await demoSeconds(page), frames: await frames(page),
                        heard: await page.evaluate(() => window.audioProbe.heard()) };
  console.log(`  hidden 1.5 s: demo time ${hiddenAt.demo.toFixed(3)} -> ${stillHidden.demo.toFixed(3)} s, ` +
              `music ${hiddenAt.heard.position.toFixed(3)} -> ${stillHidden.heard.position.toFixed(3)} s (${stillHidden.heard.context})`);
  check(stillHidden.frames === hiddenAt.frames, 'frames are drawn while the page is hidden');
  check(stillHidden.demo === hiddenAt.demo, 'the demo\'s time runs on while the page is hidden');
  check(stillHidden.heard.context !== 'running' && Math.abs(stillHidden.heard.position - hiddenAt.heard.position) < 0.01,
        'the music plays on while the page is hidden');
  await setHidden(page, false);
  await page.waitForTimeout(300);
  const shown = await demoSeconds(page);
  check(shown - stillHidden.demo < 0.5,
        `shown again after 1.5 s hidden, the demo jumped from ${stillHidden.demo} to ${shown} s`);
  await expectFramesAdvance(page, 'shown again');
  await expectInStep(page, 'shown again');

  // Keys the browser or the system keeps for itself, and F, do not end the demo; Tab reaches the
  // Full screen button, and Enter presses it.
  for (const key of ['Shift', 'Control', 'Alt', 'Meta', 'CapsLock', 'Control+Equal', 'Control+Minus', 'F5',
                     'AudioVolumeUp', 'AudioVolumeDown', 'AudioVolumeMute', 'MediaPlayPause', 'MediaTrackNext',
                     'PrintScreen', 'Pause', 'Shift+Tab', 'Tab', 'f']) {
    await page.keyboard.press(key);
    await page.waitForTimeout(50);
    check((await state(page)) === 'playing', `${key} ended the demo`);
  }
  const fullScreen = await page.evaluate(() => document.fullscreenElement !== null);
  console.log(`  after F: full screen ${fullScreen}`);
  check(fullScreen, 'F did not show the demo full screen');
  await page.waitForTimeout(200);
  await expectFills(page, 'full screen');
  const buttonLabel = async () => page.evaluate(() => document.getElementById('fullscreen').textContent);
  check((await buttonLabel()) === 'Leave full screen', `full screen, the button says "${await buttonLabel()}"`);
  await page.keyboard.press('f');
  await page.waitForTimeout(200);
  check((await buttonLabel()) === 'Full screen', `out of full screen, the button says "${await buttonLabel()}"`);
  const focused = await page.evaluate(() => document.activeElement && document.activeElement.id);
  check(focused === 'fullscreen', `Tab moved the focus to "${focused}", not to the Full screen button`);
  await page.keyboard.press('Enter');
  await page.waitForTimeout(200);
  check((await state(page)) === 'playing' && (await page.evaluate(() => document.fullscreenElement !== null)),
        'Enter on the focused Full screen button did not show the demo full screen');
  await page.keyboard.press('f');
  await page.waitForTimeout(200);
  check((await state(page)) === 'playing', 'leaving full screen ended the demo');
  await page.setViewportSize({ width: 800, height: 500 });
  await expectFramesAdvance(page, 'after the browser keys');

  // A click on the picture ends it, as a key does.
  await page.mouse.click(400, 250);
  await waitForState(page, 'ended', 2000);
  check((await text(page, '#reason')).includes('stopped'), `the ended page says "${await text(page, '#reason')}"`);
  check((await music(page)).mode !== 'music' && (await page.evaluate(() => window.audioProbe.heard())) === null,
        'the music goes on after the click');
  await expectFramesStopped(page, 'after the click');

  // The end panel in a small window, a phone held sideways: it scrolls, its top in reach.
  await page.setViewportSize({ width: 667, height: 320 });
  await page.waitForTimeout(100);
  const panel = await page.evaluate(() => {
    const scroller = document.scrollingElement;
    const top = document.querySelector('#ended h1').getBoundingClientRect().top + scroller.scrollTop;
    scroller.scrollTop = scroller.scrollHeight;
    return { top, bottom: document.getElementById('timing').getBoundingClientRect().bottom, view: innerHeight,
             scrolled: scroller.scrollTop };
  });
  check(panel.top >= 0 && panel.scrolled > 0 && panel.bottom <= panel.view + 1,
        `at 667 x 320 the end panel does not scroll into view (${JSON.stringify(panel)})`);
  await page.evaluate(() => { document.scrollingElement.scrollTop = 0; });
  await page.setViewportSize({ width: 800, height: 500 });

  await page.click('#again');
  await waitForState(page, 'playing', 2000);
  await expectFramesAdvance(page, 'played again');
  const again = await music(page);
  check(again.mode === 'music' && again.position < 3, `played again, the music is ${JSON.stringify(again)}`);

  // Enter held past the repeat delay, and Space released over the focused Play again button, do
  // not start it again.
  await page.keyboard.down('Enter');
  await waitForState(page, 'ended', 2000);
  for (let i = 0; i < 3; ++i) await page.keyboard.down('Enter');
  await page.keyboard.up('Enter');
  await page.waitForTimeout(200);
  check((await state(page)) === 'ended', 'a held Enter started the demo again');
  await page.click('#again');
  await waitForState(page, 'playing', 2000);
  await page.keyboard.down('Space');
  await waitForState(page, 'ended', 2000);
  await page.keyboard.up('Space');
  await page.waitForTimeout(200);
  check((await state(page)) === 'ended', 'releasing Space started the demo again');
  expectNoConsoleErrors(page);
  return page;
}

// Started with no gesture, as a browser that refuses autoplay sees it: the demo runs in silence,
// the page says why and offers the sound, which then joins the picture in step.
async function soundRefused(browser, server) {
  const page = await openPage(browser, server, '/', { hasTouch: true });
  await quietly(page, "document.getElementById('start').click()");
  let notices = '';
  for (let tries = 0; tries < 30 && !notices.includes('Sound is off'); ++tries) {
    await new Promise((resolve) => setTimeout(resolve, 100));
    notices = await quietly(page, "Array.from(document.querySelectorAll('.notice'), (e) => e.textContent).join(' | ')");
  }
  console.log(`  on the page: ${notices}`);
  check((await state(page)) === 'playing', `started without a gesture, the page is "${await state(page)}"`);
  check(notices.includes('Sound is off') && (await page.$('.notice .sound-on')) !== null,
        `the page does not say the sound is off, with a button: "${notices}"`);
  await expectFramesAdvance(page, 'in silence');
  const silent = await demoSeconds(page);
  check(silent > 0.5, `the demo's time stands at ${silent} s in silence`);
  await page.click('.notice .sound-on');
  try {
    await page.waitForFunction(() => Module.teppleMusic.state().mode === 'music', null, { timeout: 3000 });
  } catch (error) {
    throw new Failure(`the sound did not come on: ${JSON.stringify(await music(page))}`);
  }
  await page.waitForTimeout(300);
  await expectInStep(page, 'sound turned on');
  // On a touch screen a tap on the picture ends it.
  await page.tap('#screen');
  await waitForState(page, 'ended', 2000);
  check((await music(page)).mode !== 'music', 'the music goes on after the tap');
  expectNoConsoleErrors(page);
  return page;
}

// Two fingers on the picture that move apart and lift, as a pinch to zoom sends them.
async function pinch(page) {
  const session = await page.context().newCDPSession(page);
  const points = (spread) => [{ x: 150 - spread, y: 300, id: 1 }, { x: 200 + spread, y: 300, id: 2 }];
  await session.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: points(0) });
  for (let spread = 10; spread <= 60; spread += 10) {
    await session.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: points(spread) });
  }
  await session.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
  await session.detach();
}

// Phone, tablet and laptop: the picture fills the screen at 4:3, the way up it is held and any
// scale it is drawn at; the scale chosen is never beyond the device's pixels, nor a frame time the
// measurement says would drop frames.
async function sizes(browser, server) {
  const phone = { viewport: { width: 390, height: 844 }, screen: { width: 390, height: 844 }, deviceScaleFactor: 3,
                  isMobile: true, hasTouch: true };
  const tablet = { viewport: { width: 1024, height: 768 }, screen: { width: 1024, height: 768 }, deviceScaleFactor: 3,
                   isMobile: true, hasTouch: true };
  const laptop = { viewport: { width: 1366, height: 768 }, screen: { width: 1366, height: 768 }, deviceScaleFactor: 1 };
  let page = null;
  const boxes = {};
  for (const [name, options, urlPath] of [['phone', phone, '/'], ['tablet', tablet, '/'], ['tablet ?scale=3', tablet, '/?scale=3'],
                                          ['laptop', laptop, '/']]) {
    if (page) await page.context().close();
    page = await openPage(browser, server, urlPath, options);
    if (options.hasTouch) await page.tap('#start');
    else await page.click('#start');
    await waitForState(page, 'playing', 2000);
    await page.waitForTimeout(300);
    const box = await expectFills(page, name);
    const choice = await page.evaluate(() => Module.teppleScale);
    console.log(`  ${name}: ${box.width.toFixed(1)} x ${box.height.toFixed(1)} CSS pixels ` +
                `(${(100 * box.width / options.viewport.width).toFixed(0)} % of the width), drawn at ${box.drawn}x; ` +
                `the device calls for ${choice.device}x, the slowest scene takes ${choice.measured.toFixed(2)} ms at 1x`);
    check(choice.measured > 0, `${name}: the frame time was not measured`);
    if (choice.asked) {
      check(box.drawn === choice.asked, `${name}: asked for ${choice.asked}x, drawn at ${box.drawn}x`);
    } else {
      check(box.drawn <= choice.device && (box.drawn === 1 || choice.measured * box.drawn * box.drawn <= 10),
            `${name}: drawn at ${box.drawn}x, beyond ${choice.device}x or a frame of ${choice.measured} ms at 1x`);
    }
    boxes[name] = box;
    if (name === 'phone') {
      check(box.width >= 389, `the phone's picture is ${box.width} CSS pixels wide in a 390-pixel page`);
      await page.evaluate(() => {
        window.touchesSeen = 0;
        document.getElementById('stage').addEventListener('pointerdown', (event) => {
          if (event.pointerType === 'touch') window.touchesSeen += 1;
        });
      });
      await pinch(page);
      await page.waitForTimeout(200);
      const seen = await page.evaluate(() => window.touchesSeen);
      check(seen === 2, `the pinch reached the page as ${seen} touches, not 2`);
      check((await state(page)) === 'playing', 'a pinch ended the demo');
      await page.setViewportSize({ width: 844, height: 390 });
      await page.waitForTimeout(200);
      await expectFills(page, 'phone on its side');
      await page.tap('#screen');
      await waitForState(page, 'ended', 2000);
    }
    expectNoConsoleErrors(page);
  }
  check(boxes['tablet ?scale=3'].width === boxes.tablet.width,
        `on the tablet ?scale=3 shows the picture ${boxes['tablet ?scale=3'].width} wide, ${boxes.tablet.width} without`);
  check(boxes.laptop.height === 768, `the laptop's picture is ${boxes.laptop.height} pixels high in a 768-pixel page`);
  return page;
}

// Sound that cannot be had: the demo starts at once, plays in silence, and one line says why.
async function soundFailed(browser, server) {
  const cases = [
    ['no Web Audio', '/', () => { delete window.AudioContext; delete window.webkitAudioContext; },
     'No sound: this browser has no Web Audio.'],
    ['no sound output', '/', () => {
      window.AudioContext = class { constructor() { throw new DOMException('no audio device', 'NotSupportedError'); } };
    }, 'No sound: the browser could not open its sound output (no audio device).'],
    ['undecodable soundtrack', '/bad-music/', () => {}, 'No sound: pelmoric.mp3 cannot be decoded'],
  ];
  let page = null;
  for (const [what, urlPath, spoil, expected] of cases) {
    if (page) await page.context().close();
    const context = await browser.newContext({ viewport: { width: 800, height: 500 } });
    await context.addInitScript(spoil);
    page = await openPageIn(context, server, urlPath);
    await page.click('#start');
    await page.waitForTimeout(500);
    const notices = await text(page, '.notice');
    const demo = await demoSeconds(page);
    console.log(`  ${what}: "${notices}", demo time ${demo.toFixed(2)} s after 0.5 s`);
    check((await state(page)) === 'playing', `${what}: the page is "${await state(page)}"`);
    check(notices.includes(expected) && (await page.$$('.notice')).length === 1,
          `${what}: the page says "${notices}", not one line "${expected}"`);
    check(demo > 0.2, `${what}: the first frame is held (demo time ${demo} s after 0.5 s)`);
    await expectFramesAdvance(page, what);
    await page.keyboard.press('q');
    await waitForState(page, 'ended', 2000);
    expectNoConsoleErrors(page);
  }
  return page;
}

async function fixed(browser, server, program = 'tepple') {
  const page = await openPage(browser, server, `/?fixed=${fps}&speed=${speed}${program === 'tepple' ? '' : '&simd=0'}`);
  check((await page.evaluate(() => Module.teppleProgram)) === program,
        `the page runs ${await page.evaluate(() => Module.teppleProgram)}, not ${program}`);
  // Keeps the canvas of the frame on show at each moment: the last one drawn at or before it.
  await page.evaluate(({ moments, fps }) => {
    const wanted = new Map(moments.map((t) => [Math.floor(t * fps + 1e-6), t]));
    const count = Module.onFrame;
    window.recorded = {};
    // Frame n (counted from 0) is drawn at n / fps seconds, as tepple-capture's frame n.
    Module.onFrame = (frame, demoTime) => {
      count(frame, demoTime);
      if (!wanted.has(frame)) return;
      const canvas = document.getElementById('screen');
      const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      let text = '';
      for (let i = 0; i < data.length; i += 0x8000) text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
      window.recorded[wanted.get(frame)] = { demoTime, data: btoa(text) };
    };
  }, { moments, fps });
  const started = Date.now();
  await page.click('#start');
  await waitForState(page, 'ended', 600000);
  const seconds = (Date.now() - started) / 1000;
  console.log(`  the 150 s timeline in ${seconds.toFixed(1)} s at ${speed} frames per animation frame, ${await frames(page)} frames`);
  check((await text(page, '#reason')).includes('has ended'), `the ended page says "${await text(page, '#reason')}"`);

  const recorded = await page.evaluate(() => window.recorded);
  const mismatches = [];
  for (const moment of moments) {
    check(recorded[moment] !== undefined, `no frame was shown at ${moment} s`);
    const rgba = Buffer.from(recorded[moment].data, 'base64');
    const { count, first } = compare(rgba, readPng(path.join(captureDir, captureName(moment))));
    console.log(`  ${moment} s (demo time ${recorded[moment].demoTime}): ${count} pixels differ from tepple-capture's`);
    if (count > 0) {
      const file = path.join(outDir, `fixed-${moment}-browser.png`);
      writeRgbaPng(rgba, file);
      mismatches.push(`${moment} s: ${count} pixels differ, first at ${first}; the browser's picture is ${file}, ` +
                      `the native one ${path.join(captureDir, captureName(moment))}`);
    }
  }
  check(mismatches.length === 0, 'frames differ from the native ones:\n    ' + mismatches.join('\n    '));

  const times = await page.evaluate(() => Module.sceneTimes);
  const scenes = Object.keys(times);
  check(scenes.length === 6, `frame times for ${scenes.length} scenes: ${scenes.join(', ')}`);
  console.log(`  median frame time in this browser (${program}): ` +
              scenes.map((name) => `${name} ${times[name].median.toFixed(2)} ms`).join(', '));
  expectNoConsoleErrors(page);
  return page;
}

async function missingFlare(browser, server) {
  const page = await openPage(browser, server, '/missing-flare/');
  await page.click('#start');
  const expected = 'Could not load file. flare.tga';
  const notices = await text(page, '.notice');
  console.log(`  on the page: ${notices}`);
  check(notices.includes('Hehe :-D') && notices.includes(expected), `the page shows "${notices}", not the texture message`);
  check(page.consoleErrors.some((line) => line === expected), 'the console does not say ' + expected);
  check((await state(page)) === 'playing', `the demo did not go on: the page is "${await state(page)}"`);
  await expectFramesAdvance(page, 'without flare.tga');
  await page.keyboard.press('q');
  await waitForState(page, 'ended', 2000);
  expectNoConsoleErrors(page, (line) => line === expected);
  return page;
}

async function brokenMesh(browser, server) {
  const page = await openPage(browser, server, '/broken-mesh/');
  await page.click('#start');
  await waitForState(page, 'stopped', 2000);
  const reason = await text(page, '#reason');
  const notices = await text(page, '.notice');
  console.log(`  on the page: ${reason} / ${notices}`);
  check(reason.includes('Shape4.LSB'), `the stopped page says "${reason}"`);
  check(notices.includes('Hehe :-D') && notices.includes('Shape4.LSB'), `the message on the page is "${notices}"`);
  check(page.consoleErrors.some((line) => line.includes('Shape4.LSB')), 'the console does not name Shape4.LSB');
  check((await music(page)).mode !== 'music' && (await page.evaluate(() => window.audioProbe.heard())) === null,
        'the music plays on after the failed start');
  await expectFramesStopped(page, 'after the failed start');
  expectNoConsoleErrors(page, (line) => line.includes('Shape4.LSB'));
  return page;
}

// Pages that cannot load: each says why in one sentence on the page.
async function failedPage(browser, url, what) {
  const context = await browser.newContext({ viewport: { width: 800, height: 500 } });
  const page = await context.newPage();
  page.consoleErrors = [];
  page.on('console', (message) => { if (message.type() === 'error') page.consoleErrors.push(message.text()); });
  await page.goto(url);
  try {
    await page.waitForFunction(() => document.body.dataset.state === 'failed', null, { timeout: 20000, polling: 50 });
  } catch (error) {
    throw new Failure(`${what}: the page is "${await state(page)}", showing "${await text(page, '#status')}"`);
  }
  const sentence = await text(page, '#failure');
  console.log(`  on the page: ${sentence}`);
  check(await page.isVisible('#failure'), `${what}: the failure is not shown`);
  return { page, sentence };
}

async function noWasm(browser, server) {
  const url = `http://127.0.0.1:${server.address().port}/no-wasm/`;
  const { page, sentence } = await failedPage(browser, url, 'no tepple.wasm');
  check(/tepple\.wasm could not be downloaded \(404/.test(sentence), `the page says "${sentence}"`);
  return page;
}

async function noData(browser, server) {
  const url = `http://127.0.0.1:${server.address().port}/no-data/`;
  const { page, sentence } = await failedPage(browser, url, 'no tepple.data');
  check(/tepple\.data could not be downloaded \(404/.test(sentence), `the page says "${sentence}"`);
  return page;
}

async function fromDisk(browser) {
  const { page, sentence } = await failedPage(browser, 'file://' + path.resolve(site, 'index.html'), 'opened from disk');
  check(sentence.includes('web server') && sentence.includes('scripts/web.sh'), `the page says "${sentence}"`);
  return page;
}

async function main() {
  fs.mkdirSync(outDir, { recursive: true });
  const server = await serve();
  // As root and on this closed network Chromium needs these; playwright gives it a fresh profile.
  const browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
           '--disable-sync', '--no-first-run', '--disable-quic'],
  });
  console.log(`Chromium ${browser.version()}`);
  const runs = { realtime, sizes, 'sound-refused': soundRefused, 'sound-failed': soundFailed, fixed,
                 'fixed-nosimd': (browser, server) => fixed(browser, server, 'tepple-nosimd'),
                 'missing-flare': missingFlare, 'broken-mesh': brokenMesh, 'no-wasm': noWasm, 'no-data': noData,
                 'from-disk': fromDisk };
  // TEPPLE_WEB_RUNS=name,name runs only those (while working on one of them).
  const only = (process.env.TEPPLE_WEB_RUNS || '').split(',').filter((name) => name !== '');
  for (const name of only) check(runs[name] !== undefined, `TEPPLE_WEB_RUNS names no run "${name}"`);
  for (const name of Object.keys(runs)) if (only.length > 0 && !only.includes(name)) delete runs[name];
  const failed = [];
  for (const [name, run] of Object.entries(runs)) {
    console.log(`${name}:`);
    const runStarted = Date.now();
    const pagesBefore = browser.contexts().flatMap((context) => context.pages());
    try {
      const page = await run(browser, server);
      await page.context().close();
      console.log(`PASS: ${name} (${((Date.now() - runStarted) / 1000).toFixed(1)} s)`);
    } catch (error) {
      failed.push(name);
      console.log(`FAIL: ${name}: ${error instanceof Failure ? error.message : error.stack}`);
      for (const page of browser.contexts().flatMap((context) => context.pages())) {
        if (pagesBefore.includes(page)) continue;
        const shot = path.join(outDir, `${name}-failure.png`);
        await page.screenshot({ path: shot }).catch(() => {});
        console.log(`  screenshot: ${shot}`);
        if (page.consoleErrors.length > 0) console.log('  console errors:\n    ' + page.consoleErrors.join('\n    '));
        await page.context().close();
      }
    }
  }
  await browser.close();
  server.close();
  console.log(`${Object.keys(runs).length - failed.length} passed, ${failed.length} failed`);
  process.exit(failed.length === 0 ? 0 : 1);
}

main().catch((error) => {
  console.error(error.stack || error);
  process.exit(1);
});
