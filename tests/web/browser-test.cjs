'use strict';
// The browser version as a viewer meets it, in the system's headless Chromium driven by
// playwright-core (no browser of its own is downloaded). Run by run-web-test.sh:
//   node browser-test.cjs <site> <capture folder> <spoiled data folder> <output folder> <moments> <speed>
// <site> is the built web folder; <capture folder> holds tepple-capture's PNGs of <moments> (and of
// 45.2 s, the background alone); each subfolder of <spoiled data folder> holds a data package
// (tepple.data, tepple-data.js) served under its own name instead of the real one. Four runs, each
// in a fresh browser context:
//   realtime       start on the click (first frame and music in the same gesture), a scene over the
//                  stone background, the picture 4:3 and crisp, the music playing, a key ends it and
//                  stops the music, play again works;
//   fixed          ?fixed=60: the frames at <moments> equal tepple-capture's exactly, and the
//                  timeline's end ends the run;
//   missing-flare  the texture message on the page and in the console, and the demo goes on;
//   broken-mesh    the mesh error on the page and in the console, and the demo stopped.
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

function fileFor(urlPath) {
  const parts = urlPath.split('/').filter((part) => part !== '');
  let folder = site;
  if (parts.length > 0 && variants.includes(parts[0])) {
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

async function openPage(browser, server, urlPath) {
  const context = await browser.newContext({ viewport: { width: 800, height: 500 } });
  const page = await context.newPage();
  page.consoleErrors = [];
  page.on('console', (message) => {
    if (message.type() === 'error') page.consoleErrors.push(message.text());
  });
  page.on('pageerror', (error) => page.consoleErrors.push('uncaught: ' + error.message));
  await page.goto(`http://127.0.0.1:${server.address().port}${urlPath}`);
  // Loading means compiling the program and fetching 4 MB of data: generous on a loaded machine.
  await page.waitForSelector('#start:enabled', { timeout: 60000 });
  // Counts presented frames, and notes what a click on start has done by the time it returns (the
  // page's own handler is registered first, so this one runs after it).
  await page.evaluate(() => {
    window.probe = { frames: 0 };
    Module.onFrame = () => { window.probe.frames += 1; };
    document.getElementById('start').addEventListener('click', () => {
      const music = document.getElementById('music');
      window.probe.afterClick = { frames: window.probe.frames, musicPaused: music.paused, state: document.body.dataset.state };
    });
  });
  return page;
}

const frames = (page) => page.evaluate(() => window.probe.frames);
const state = (page) => page.evaluate(() => document.body.dataset.state);
const music = (page) => page.evaluate(() => {
  const element = document.getElementById('music');
  return { paused: element.paused, time: element.currentTime, loop: element.loop, source: element.currentSrc };
});
const text = (page, selector) => page.evaluate((s) => Array.from(document.querySelectorAll(s), (e) => e.textContent).join(' | '), selector);

async function waitForState(page, wanted, timeout) {
  try {
    await page.waitForFunction((s) => document.body.dataset.state === s, wanted, { timeout, polling: 50 });
  } catch (error) {
    throw new Failure(`the page did not reach "${wanted}" within ${timeout / 1000} s (it is "${await state(page)}")`);
  }
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
  check((await page.title()) === title, `the page's title is "${await page.title()}"`);
  check((await text(page, 'h1')).includes(title), 'the page does not show the title');
  check((await state(page)) === 'ready', 'the start button is not offered');
  check((await music(page)).paused, 'music before the start');

  await page.click('#start');
  const afterClick = await page.evaluate(() => window.probe.afterClick);
  check(afterClick.state === 'playing', `after the click the page is "${afterClick.state}"`);
  check(afterClick.frames === 1, `the click handler presented ${afterClick.frames} frames, not the first one`);
  check(!afterClick.musicPaused, 'the music did not start in the click');

  await page.waitForTimeout(3000);
  const box = await page.evaluate(() => {
    const canvas = document.getElementById('screen');
    const rect = canvas.getBoundingClientRect();
    return { w: rect.width, h: rect.height, rendering: getComputedStyle(canvas).imageRendering,
             viewW: innerWidth, viewH: innerHeight };
  });
  check(Math.abs(box.w * 3 - box.h * 4) <= 4 && (Math.abs(box.h - box.viewH) <= 1 || Math.abs(box.w - box.viewW) <= 1),
        `the picture is ${box.w} x ${box.h} in an ${box.viewW} x ${box.viewH} page: not 4:3 filling it`);
  check(box.rendering === 'pixelated', `the picture is scaled with image-rendering "${box.rendering}"`);

  const picture = await readCanvas(page);
  const background = readPng(path.join(captureDir, captureName(45.2)));
  const { count } = compare(picture, background);
  const share = 1 - count / (width * height);
  console.log(`  after 3 s: ${await frames(page)} frames, ${(100 * share).toFixed(1)} % of the picture is the background`);
  check(share > 0.5, `only ${(100 * share).toFixed(1)} % of the picture is the stone background`);
  check(count > 0.005 * width * height, `nothing is drawn over the background (${count} pixels differ)`);
  await expectFramesAdvance(page, 'playing');

  const playing = await music(page);
  console.log(`  music: ${playing.paused ? 'paused' : 'playing'} at ${playing.time.toFixed(2)} s, loop ${playing.loop}`);
  check(!playing.paused && playing.time > 1 && playing.loop, 'the music is not playing, looped');

  await page.keyboard.press('q');
  await waitForState(page, 'ended', 2000);
  check((await text(page, '#reason')).includes('key'), `the ended page says "${await text(page, '#reason')}"`);
  check((await music(page)).paused, 'the music goes on after the key');
  await expectFramesStopped(page, 'after the key');

  await page.click('#again');
  await waitForState(page, 'playing', 2000);
  await expectFramesAdvance(page, 'played again');
  const again = await music(page);
  check(!again.paused && again.time < 3, `played again, the music is ${again.paused ? 'paused' : 'at ' + again.time + ' s'}`);
  await page.keyboard.press('Enter');
  await waitForState(page, 'ended', 2000);
  expectNoConsoleErrors(page);
  return page;
}

async function fixed(browser, server) {
  const page = await openPage(browser, server, `/?fixed=${fps}&speed=${speed}`);
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
  console.log('  median frame time in this browser: ' +
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
  check((await music(page)).paused, 'the music plays on after the failed start');
  await expectFramesStopped(page, 'after the failed start');
  expectNoConsoleErrors(page, (line) => line.includes('Shape4.LSB'));
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
  const runs = { realtime, fixed, 'missing-flare': missingFlare, 'broken-mesh': brokenMesh };
  const failed = [];
  for (const [name, run] of Object.entries(runs)) {
    console.log(`${name}:`);
    const pagesBefore = browser.contexts().flatMap((context) => context.pages());
    try {
      const page = await run(browser, server);
      await page.context().close();
      console.log(`PASS: ${name}`);
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
