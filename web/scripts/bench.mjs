// Times the page as a user meets it, in headless chromium from file://:
// opening it, a planning run at N = 1000 (S 20, P 50) and the assessment with
// the optimiser; medians of several rounds, since a shared machine is noisy.
//   node web/scripts/bench.mjs [rounds]
// Needs build-web/voltrigg.html and build/bench/voltrigg-genlist.
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const { chromium } = createRequire(path.join(repo, 'web/package.json'))('playwright-core');
const pagePath = path.join(repo, 'build-web/voltrigg.html');
const rounds = Number(process.argv[2] ?? 5);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'voltrigg-bench-'));
const listPath = path.join(work, 'big.csv');
fs.writeFileSync(listPath, spawnSync(path.join(repo, 'build/bench/voltrigg-genlist'), ['--count', '1000', '--seed', '42']).stdout);

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const opens = [];
const runs = [];
const assessments = [];
for (let round = 0; round < rounds; ++round) {
  const context = await chromium.launchPersistentContext(path.join(work, `profile-${round}`), {
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  await context.route('**/*', (route) => (route.request().url().startsWith('file:') ? route.continue() : route.abort()));
  const page = context.pages()[0] ?? (await context.newPage());
  await page.goto(pathToFileURL(pagePath).href);
  await page.waitForSelector('body[data-ready="yes"]');
  opens.push(Number(await page.evaluate(() => document.body.dataset.openMs)));
  await page.setInputFiles('#list-file', listPath);
  await page.fill('#series', '20');
  await page.fill('#parallel', '50');
  for (let k = 0; k < 3; ++k) {
    await page.fill('#output-name', `r${k}`);
    await page.click('#run');
    await page.waitForFunction((name) => document.getElementById('save-result').textContent.includes(name), `r${k}.csv`);
    runs.push(Number(await page.evaluate(() => document.body.dataset.runMs)));
    await page.waitForFunction(() => !document.body.dataset.assessing, null, { timeout: 60000 });
    assessments.push(Number(await page.evaluate(() => document.body.dataset.assessMs)));
  }
  await context.close();
}
fs.rmSync(work, { recursive: true, force: true });
console.log(`voltrigg.html: ${(fs.statSync(pagePath).size / 1048576).toFixed(2)} MiB`);
console.log(`page open (navigation to ready): median ${median(opens)} ms of [${opens.join(', ')}]`);
console.log(`planning run N = 1000 (S 20, P 50): median ${median(runs).toFixed(1)} ms of [${runs.join(', ')}]`);
console.log(`assessment with optimiser N = 1000: median ${median(assessments)} ms of [${assessments.join(', ')}]`);
console.log(`load average: ${os.loadavg().map((l) => l.toFixed(1)).join(' ')}`);
