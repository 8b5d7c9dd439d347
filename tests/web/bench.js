'use strict';
// The page's frame times in headless chromium: node bench.js WxH FRAMES
// SECONDS... prints "SECONDS MS" for each moment, the median time of FRAMES
// frames after it on the capture's clock.
const { launch, drawMoment } = require('./browser');

(async () => {
  const [size, frames, ...moments] = process.argv.slice(2);
  const [width, height] = size.split('x').map(Number);
  const browser = await launch();
  try {
    const page = await browser.newPage();
    for (const seconds of moments) {
      await drawMoment(page, seconds, width, height, Number(frames));
      console.log(seconds, await page.evaluate(() => window.frameTime));
    }
  } finally {
    await browser.close();
  }
})().catch((error) => {
  console.error(error.message);
  process.exit(1);
});
