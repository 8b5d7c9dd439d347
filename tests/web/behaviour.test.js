'use strict';
// A visitor's runs of the page in chromium, with puppeteer's clicks and keys.
const { test, before, after } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { pathToFileURL } = require('node:url');
const { launch, pageUrl, drawMoment } = require('./browser');
const { compareFrames } = require('./frames');
const { readPng } = require('./png');

// The music's ms at which each part begins, part 1 with the music and each
// next one a millisecond after the one before has run its time out
// (durations in ms); the last entry is the end.
const durations = [8200, 15500, 8800, 8800, 42500, 17500, 20000];
const cues = durations.reduce((begins, ms) => [...begins, begins[begins.length - 1] + ms + 1], [0]);
const cue = (part) => cues[part - 1];

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser?.close(); });

async function openPlayer(url = pageUrl()) {
  const page = await browser.newPage();
  await page.setViewport({ width: 640, height: 480 });
  await page.goto(url);
  await page.waitForSelector('#play:not([disabled])', { timeout: 60000 });
  return page;
}

const status = (page) => page.evaluate(() => demoStatus());
const musicMs = (page) => page.evaluate(() => demoClock.audio.currentTime * 1000);
const waitUntil = (page, predicate, ...args) => page.waitForFunction(predicate, { timeout: 30000 }, ...args);
const shown = (page, selector) => page.$eval(selector, (element) => !element.hidden);

async function startWithMusic(page) {
  await page.click('#start');
  await waitUntil(page, () => demoStatus().music === 'music');
}

// Moves the music to `seconds` and waits for a frame drawn there.
async function seek(page, seconds) {
  await page.evaluate((s) => { demoClock.audio.currentTime = s; }, seconds);
  await waitUntil(page, (ms) => demoStatus().ms >= ms, seconds * 1000);
}

test('the start screen, then a click starts the music and the clock', async () => {
  const page = await openPlayer();
  assert.ok(await shown(page, '#start'));
  assert.match(await page.$eval('#start', (element) => element.innerText), /plums under glass[\s\S]*play/);
  await startWithMusic(page);
  const first = await status(page);
  await new Promise((resolve) => setTimeout(resolve, 500));
  const later = await status(page);
  assert.ok(!(await shown(page, '#start')));
  assert.deepStrictEqual([later.running, later.part], [true, 1]);
  assert.ok(later.ms - first.ms > 300, `the clock moved ${later.ms - first.ms} ms in 500 ms`);
  await page.close();
});

test('after a seek, a stall and the music\'s end the scenes stay on their cues', async () => {
  // A frame of the logo as the capture has it, first: another tab would
  // take the player out of full screen, which ends its run.
  const moment = await browser.newPage();
  await drawMoment(moment, 18, 640, 480);
  const captured = readPng(Buffer.from(await moment.screenshot()));
  await moment.close();

  const page = await openPlayer();
  await startWithMusic(page);
  // Into the logo: the frame is that moment's, its scene clock running from
  // its cue too. The clock is held a little ahead for the screenshot.
  await seek(page, 14);
  await page.evaluate(() => { demoClock.held = demoClock.now; demoClock.now = () => 18000; });
  await waitUntil(page, () => demoStatus().ms === 18000);
  const { share } = compareFrames(captured, readPng(Buffer.from(await page.screenshot())), 24);
  assert.ok(share > 0.97, `${share * 100} % of the pixels as in the capture's frame`);
  await page.evaluate(() => { demoClock.now = demoClock.held; });

  await seek(page, 45);  // past three cuts at once, into the starfield
  const seeked = await status(page);
  assert.deepStrictEqual([seeked.part, seeked.partBegin], [5, cue(5)]);

  // A frame that takes a second while the music crosses the cut into the
  // picture: the next frame is where the music is, in the picture since its cue.
  await seek(page, 83.3);
  const stalled = await page.evaluate(() => {
    const end = performance.now() + 1000;
    while (performance.now() < end);
    return demoStatus().ms;
  });
  await waitUntil(page, (ms) => demoStatus().ms > ms, stalled);
  const caughtUp = await status(page);
  assert.deepStrictEqual([caughtUp.part, caughtUp.partBegin], [6, cue(6)]);
  assert.ok(caughtUp.ms - stalled > 900, `the first frame after the stall came ${caughtUp.ms - stalled} ms on`);

  await seek(page, 120.8);
  await page.waitForSelector('#end:not([hidden])', { timeout: 10000 });
  assert.ok((await status(page)).ms > cues[7], 'ended at the end of the last part');
  await page.close();
});

test('Escape, or leaving full screen, ends the run; "play again" starts from the beginning', async () => {
  const page = await openPlayer();
  for (const quit of [() => page.keyboard.press('Escape'), () => page.evaluate(() => document.exitFullscreen())]) {
    await (await shown(page, '#end') ? page.click('#again') : startWithMusic(page));
    await waitUntil(page, () => document.fullscreenElement && demoStatus().music === 'music');
    await seek(page, 30);
    await quit();
    await page.waitForSelector('#end:not([hidden])', { timeout: 10000 });
    const ended = await status(page);
    assert.deepStrictEqual([ended.running, ended.part, await page.evaluate(() => demoClock.audio.paused)],
                           [false, 3, true]);
    assert.ok(!(await shown(page, '#note')), 'the music played: no note');
  }
  await page.click('#again');
  await waitUntil(page, () => demoStatus().running && demoStatus().music === 'music');
  const again = await status(page);
  assert.strictEqual(again.part, 1);
  assert.ok(again.ms < 3000 && (await musicMs(page)) < 3000, `again from ${again.ms} ms`);
  await page.close();
});

test('without playable music the demo runs on the timer and says so', async () => {
  const html = fs.readFileSync(process.env.PAGE, 'utf8');
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'plums-page-'));
  const music = /(<script type="audio\/mpeg" id="music">)[^<]*(<\/script>)/;
  try {
    for (const [what, base64] of [['missing', ''], ['broken', Buffer.from('not an mp3 at all '.repeat(500)).toString('base64')]]) {
      const file = path.join(folder, `${what}.html`);
      fs.writeFileSync(file, html.replace(music, `$1${base64}$2`));
      const page = await openPlayer(pathToFileURL(file).href);
      await page.click('#start');
      await waitUntil(page, () => demoStatus().music === 'timer' && demoStatus().ms > 1000);
      await page.keyboard.press('Escape');
      await page.waitForSelector('#end:not([hidden])', { timeout: 10000 });
      assert.match(await page.$eval('#note', (note) => (note.hidden ? '' : note.textContent)),
                   /^Played without sound: .+\.$/, what);
      await page.close();
    }
  } finally {
    fs.rmSync(folder, { recursive: true, force: true });
  }
});

test('a browser without WebGL or WebAssembly is told so and pointed to the video', async () => {
  // Chromium cannot be started without WebAssembly: the page is told it has none.
  const noWebAssembly = (page) => page.evaluateOnNewDocument(() => { delete globalThis.WebAssembly; });
  for (const [flags, prepare, lacking] of [[['--disable-webgl'], () => {}, /WebGL/], [[], noWebAssembly, /WebAssembly/]]) {
    const lame = await launch(flags);
    try {
      const page = await lame.newPage();
      await prepare(page);
      await page.goto(pageUrl());
      await page.waitForSelector('#failure:not([hidden])', { timeout: 30000 });
      assert.match(await page.$eval('#reason', (reason) => reason.textContent), lacking);
      assert.strictEqual(await page.$eval('#failure a', (link) => link.getAttribute('href')), 'plums-under-glass.mp4');
    } finally {
      await lame.close();
    }
  }
});

test('the page is one file of at most 6 MiB', () => {
  const folder = path.dirname(process.env.PAGE);
  assert.deepStrictEqual(fs.readdirSync(folder), [path.basename(process.env.PAGE)]);
  assert.ok(fs.statSync(process.env.PAGE).size <= 6 * 1024 * 1024);
});
