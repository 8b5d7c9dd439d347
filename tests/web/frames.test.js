'use strict';
// The page's frames against the capture tool's, at three or more moments of
// every scene at 640x480: after a 3x3 box blur of both, at least 97 % of the
// pixels lie within 24 levels on every channel, and so do 90 % of the pixels
// where either frame has something drawn, so that a frame of mostly
// background cannot pass with its few things elsewhere. A failing moment
// leaves both frames and their difference under FRAMES_DIR.
const { test, before, after } = require('node:test');
const assert = require('node:assert');
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { launch, drawMoment } = require('./browser');
const { compareFrames } = require('./frames');
const { readPng, writePng } = require('./png');

const [width, height] = [640, 480];
const tolerance = 24;
const required = { share: 0.97, drawnShare: 0.9 };

// Seconds on the capture's clock.
const moments = [
  ['decrunch, the bar starting', 0.5], ['decrunch, the bar long', 2.5], ['decrunch, the bar longest', 4.8],
  ['logo far away', 9], ['logo with a caption', 15], ['logo close, all captions', 23.2],
  ['cubes and the scrambled title', 24.5], ['cubes and the flower', 28.2], ['cubes, the title settled', 31.8],
  ['tiles arriving', 33.5], ['tiles swirling', 37], ['tiles late', 40.5],
  ['starfield, load new commander', 50.3], ['starfield and the ship', 52.5], ['starfield with labels', 66.3],
  ['starfield, labels late', 75],
  ['picture revealing', 85.5], ['picture half revealed', 92.7], ['picture revealed', 99],
  ['tree young', 104], ['tree and credits', 111.5], ['tree fading', 116.8],
];

const framesDir = process.env.FRAMES_DIR;
const nativeDir = fs.mkdtempSync(path.join(framesDir, 'native-'));
const nativeFrame = (seconds) => path.join(nativeDir, `${seconds}.png`);
let browser, page;

const percent = (share) => `${(share * 100).toFixed(2)} %`;

before(async () => {
  // One capture run writes every moment: it steps through the rest unseen.
  const shots = moments.flatMap(([, seconds]) => ['--png', `${seconds}:${nativeFrame(seconds)}`]);
  execFileSync(process.env.CAPTURE, ['--size', `${width}x${height}`, ...shots], { stdio: 'ignore' });
  browser = await launch();
  page = await browser.newPage();
});

after(async () => {
  await browser?.close();
  fs.rmSync(nativeDir, { recursive: true, force: true });
});

for (const [what, seconds] of moments) {
  test(`${what} (${seconds} s)`, async (t) => {
    assert.strictEqual(await drawMoment(page, seconds, width, height), 'frame ready');
    const shot = Buffer.from(await page.screenshot());
    const native = readPng(fs.readFileSync(nativeFrame(seconds)));
    const { share, drawnShare, difference } = compareFrames(native, readPng(shot), tolerance);
    const figures = `${percent(share)} of all pixels and ${percent(drawnShare)} of the drawn ones ` +
                    `within ${tolerance} levels`;
    t.diagnostic(figures);
    if (share < required.share || drawnShare < required.drawnShare) {
      const stem = path.join(framesDir, `web-${seconds}`);
      fs.copyFileSync(nativeFrame(seconds), `${stem}-native.png`);
      fs.writeFileSync(`${stem}-page.png`, shot);
      fs.writeFileSync(`${stem}-difference.png`, writePng(difference));
      assert.fail(`${figures}, under ${percent(required.share)} and ${percent(required.drawnShare)}: ` +
                  `see ${stem}-*.png`);
    }
  });
}
