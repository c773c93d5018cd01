// Takes the README's screenshots of the page in headless chromium from
// file://: docs/web.png (the example planned as 10 × 6 and assessed with a
// system voltage limit of 438 V, a scanned serial number marked),
// docs/web-inverter-window.png (its inverter window against
// examples/inverter_string_10k.json), and docs/web-phone.png and
// docs/web-tablet.png (the example's result opened with its list on a phone
// and a tablet, six strings of 試運転検査 entered), and docs/web-plant-phone.png
// (the plant tab on a phone: examples/plant-modules.csv with
// examples/plant-layout.json planned within the pallet window, a serial found).
//   node web/scripts/screenshots.mjs
// Needs build-web/voltrigg.html and the native build's voltrigg-cli (build/).
import { spawnSync } from 'node:child_process';
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

// The example's result, planned by voltrigg-cli, opened with its list on a phone and a tablet.
const field = path.join(work, 'field');
fs.mkdirSync(field);
fs.copyFileSync(path.join(repo, 'examples/modules.csv'), path.join(field, 'modules.csv'));
const cli = process.env.VOLTRIGG_CLI ?? path.join(repo, 'build/voltrigg-cli');
if (spawnSync(cli, ['-s', '10', '-p', '6', '-o', 'result', 'modules.csv'], { cwd: field }).status !== 0) {
  throw new Error('voltrigg-cli could not plan the example');
}
// Each string's expected values at 850 W/m² and 45 °C, from the WebAssembly core.
const core = await createRequire(import.meta.url)(path.join(repo, 'build-web/web/voltrigg-core.js'))();
core.openResult({ name: 'result.csv', bytes: fs.readFileSync(path.join(field, 'result.csv')) },
  { name: 'modules.csv', bytes: fs.readFileSync(path.join(field, 'modules.csv')) }, { assess: false, keep: true });
core.startCommission('result.csv', 'modules.csv', 'result-measured.csv', {});
const expected = (n) => {
  const cells = core.checkRow(n, ['100', '1', '850', '45', '', '', '', '', '', ''], {}).string.cells;
  return { voc: Number(cells[4]), isc: Number(cells[7]) };
};
const rows = [
  { voc_v: expected(1).voc.toFixed(1), isc_a: expected(1).isc.toFixed(2), polarity: 'ok', insulation_pos_mohm: '40',
    insulation_neg_mohm: '35', insulation_test_v: '500', earth_continuity_ohm: '0.4' },
  { voc_v: (-expected(2).voc).toFixed(1), isc_a: expected(2).isc.toFixed(2), polarity: 'reversed' },
  { voc_v: (expected(3).voc * 0.9).toFixed(1), isc_a: expected(3).isc.toFixed(2), polarity: 'ok',
    insulation_pos_mohm: '50', insulation_neg_mohm: '45', insulation_test_v: '500', note: 'バイパスダイオード?' },
  { voc_v: expected(4).voc.toFixed(1), isc_a: expected(4).isc.toFixed(2), polarity: 'ok', insulation_pos_mohm: '0.4',
    insulation_neg_mohm: '30', insulation_test_v: '500' },
  {},
  { voc_v: (expected(6).voc * 1.004).toFixed(1), isc_a: (expected(6).isc * 0.99).toFixed(2) },
];
const devices = {
  phone: { viewport: { width: 390, height: 844 }, isMobile: true, hasTouch: true, deviceScaleFactor: 2 },
  tablet: { viewport: { width: 820, height: 1180 }, isMobile: true, hasTouch: true, deviceScaleFactor: 1 },
};
for (const [name, device] of Object.entries(devices)) {
  const c = await chromium.launchPersistentContext(path.join(work, `profile-${name}`), {
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking'],
    ...device,
  });
  await c.route('**/*', (route) => (route.request().url().startsWith('file:') ? route.continue() : route.abort()));
  const p = c.pages()[0] ?? (await c.newPage());
  await p.goto(pathToFileURL(pagePath).href);
  await p.waitForSelector('body[data-ready="yes"]');
  await p.setInputFiles('#open-files', [path.join(field, 'result.csv'), path.join(field, 'modules.csv')]);
  await p.waitForSelector('#commission-body:not([hidden])');
  await p.fill('#c-irradiance', '850');
  await p.fill('#c-module-temperature', '45');
  for (let j = 0; j < rows.length; ++j) {
    if (name === 'phone') await p.selectOption('#string-pick', String(j));
    for (const [column, value] of Object.entries(rows[j])) {
      if (column === 'polarity') await p.selectOption(`#s${j + 1}-polarity`, value);
      else await p.fill(`#s${j + 1}-${column}`, value);
    }
  }
  await p.waitForFunction(() => !document.body.dataset.assessing, null, { timeout: 60000 });
  if (name === 'phone') await p.selectOption('#string-pick', '2');
  await p.evaluate(() => document.activeElement?.blur());
  await p.locator(name === 'phone' ? '#commission-summary' : '#commissioning-heading').evaluate((e) => e.scrollIntoView());
  await p.screenshot({ path: path.join(repo, `docs/web-${name}.png`) });
  await c.close();
}
{
  const c = await chromium.launchPersistentContext(path.join(work, 'profile-plant'), {
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking'],
    ...devices.phone,
  });
  await c.route('**/*', (route) => (route.request().url().startsWith('file:') ? route.continue() : route.abort()));
  const p = c.pages()[0] ?? (await c.newPage());
  await p.goto(pathToFileURL(pagePath).href);
  await p.waitForSelector('body[data-ready="yes"]');
  await p.click('#tab-plant');
  await p.setInputFiles('#plant-lists', path.join(repo, 'examples/plant-modules.csv'));
  await p.setInputFiles('#plant-layout', path.join(repo, 'examples/plant-layout.json'));
  await p.selectOption('#plant-sort', 'pallets');
  await p.click('#plant-run');
  await p.waitForSelector('#plant-results:not([hidden])');
  await p.fill('#plant-search', 'ZX58-0000002');
  await p.press('#plant-search', 'Enter');
  await p.waitForFunction(() => document.getElementById('plant-search-result').textContent !== '');
  await p.evaluate(() => document.getElementById('plant-message').scrollIntoView({ block: 'start' }));
  await p.screenshot({ path: path.join(repo, 'docs/web-plant-phone.png') });
  await c.close();
}
fs.rmSync(work, { recursive: true, force: true });
console.log('docs/web.png, docs/web-inverter-window.png, docs/web-phone.png, docs/web-tablet.png, docs/web-plant-phone.png');
