// Takes the README's screenshots of the page in headless chromium from
// file://: docs/web.png (the example planned as 10 × 6 and assessed with a
// system voltage limit of 438 V, a scanned serial number marked) and
// docs/web-inverter-window.png (its inverter window against
// examples/inverter_string_10k.json).
//   node web/scripts/screenshots.mjs
// Needs build-web/voltrigg.html.
import fs from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const { chromium } = createRequire(path.join(repo, 'web/package.json'))('playwright-core');
const pagePath = path.join(repo, 'build-web/voltrigg.html');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'voltrigg-shots-'));

const context = await chromium.launchPersistentContext(path.join(work, 'profile'), {
  executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
  headless: true,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking'],
  viewport: { width: 1100, height: 1500 },
});
await context.route('**/*', (route) => (route.request().url().startsWith('file:') ? route.continue() : route.abort()));
const page = context.pages()[0] ?? (await context.newPage());
await page.goto(pathToFileURL(pagePath).href);
await page.waitForSelector('body[data-ready="yes"]');
const assessed = (name) => page.waitForFunction((n) => !document.body.dataset.assessing &&
  !document.getElementById('save-json').disabled && document.getElementById('window-heading').textContent.includes(n),
name, { timeout: 60000 });

await page.setInputFiles('#list-file', path.join(repo, 'examples/modules.csv'));
await page.fill('#series', '10');
await page.fill('#parallel', '6');
await page.fill('#output-name', 'result');
await page.click('#run');
await page.waitForFunction(() => document.getElementById('message').textContent === '計算が終了しました');
await page.fill('#max-system-voltage', '438');
await page.setInputFiles('#inverter-file', path.join(repo, 'examples/inverter_string_20k.json'));
await assessed('Example 20 kW');
await page.fill('#search', 'KV300-2401231');
await page.press('#search', 'Enter');
await page.evaluate(() => window.scrollTo(0, 0));
await page.screenshot({ path: path.join(repo, 'docs/web.png') });

await page.fill('#max-system-voltage', '1000');
await page.setInputFiles('#inverter-file', path.join(repo, 'examples/inverter_string_10k.json'));
await assessed('Example 10 kW');
await page.locator('#inverter-window').screenshot({ path: path.join(repo, 'docs/web-inverter-window.png') });

await context.close();
fs.rmSync(work, { recursive: true, force: true });
console.log('docs/web.png, docs/web-inverter-window.png');
