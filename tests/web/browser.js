'use strict';
// Debian's chromium, headless, drawing WebGL on the CPU (SwiftShader), and
// the demo's page in it.
const puppeteer = require('puppeteer-core');
const { pathToFileURL } = require('node:url');

const page_file = process.env.PAGE;

function launch(extraFlags = []) {
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--enable-unsafe-swiftshader', '--use-angle=swiftshader', '--force-color-profile=srgb',
           ...extraFlags],
  });
}

function pageUrl(query = '') {
  return pathToFileURL(page_file).href + query;
}

// Opens the test mode and waits for its frame; returns the page's title.
async function drawMoment(page, seconds, width, height, frames = 0) {
  await page.setViewport({ width, height, deviceScaleFactor: 1 });
  await page.goto(pageUrl(`?at=${seconds}&size=${width}x${height}` + (frames ? `&frames=${frames}` : '')));
  await page.waitForFunction(() => document.title !== 'plums under glass', { timeout: 120000 });
  return page.title();
}

module.exports = { launch, pageUrl, drawMoment };
