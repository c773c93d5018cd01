// The page in Firefox (Debian's firefox-esr, headless, driven by puppeteer-core
// over WebDriver BiDi), opened from file:// with every network request
// refused: a list is run and the saved result and assessment are
// voltrigg-cli's, byte for byte. Prints the page's timings.
//   node --test tests/web/firefox.test.mjs
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { after, before, describe, it } from 'node:test';
import { pathToFileURL } from 'node:url';

import { cliPath, generatedList, pagePath, repo, runCli, tempDir } from './support.mjs';

const require = createRequire(path.join(repo, 'web/package.json'));
const puppeteer = require('puppeteer-core');

const firefoxPath = process.env.FIREFOX ?? '/usr/bin/firefox-esr';
const exampleList = fs.readFileSync(path.join(repo, 'examples/modules.csv'));

describe('the page in headless Firefox from file://', () => {
  const work = tempDir('voltrigg-firefox-');
  const downloads = path.join(work, 'downloads');
  const refused = [];
  const errors = [];
  let browser;
  let page;

  before(async () => {
    fs.mkdirSync(downloads);
    browser = await puppeteer.launch({
      browser: 'firefox',
      protocol: 'webDriverBiDi',
      executablePath: firefoxPath,
      headless: true,
      userDataDir: path.join(work, 'profile'),
      // Saved files go to `downloads` without asking.
      extraPrefsFirefox: {
        'browser.download.dir': downloads,
        'browser.download.folderList': 2,
        'browser.download.useDownloadDir': true,
        'browser.download.always_ask_before_handling_new_types': false,
      },
    });
    page = await browser.newPage();
    await page.setViewport({ width: 1200, height: 900 });
    // The page and what it makes itself (the WebAssembly's data: URL, the
    // worker's blob:) load; anything else is refused and recorded.
    await page.setRequestInterception(true);
    page.on('request', (request) => {
      const url = request.url();
      if (url === pathToFileURL(pagePath).href || url.startsWith('data:') || url.startsWith('blob:')) {
        void request.continue();
        return;
      }
      refused.push(url);
      void request.abort();
    });
    page.on('pageerror', (e) => errors.push(String(e.message ?? e)));
    await page.goto(pathToFileURL(pagePath).href);
    await page.waitForSelector('body[data-ready="yes"]', { timeout: 30000 });
  });

  after(async () => {
    await browser?.close();
    fs.rmSync(work, { recursive: true, force: true });
  });

  async function fillRun(listPath, series, parallel, output) {
    const input = await page.$('#list-file');
    await input.uploadFile(listPath);
    await page.waitForFunction((name) => document.getElementById('list-name').textContent === name, {},
      path.basename(listPath));
    for (const [id, value] of [['#series', series], ['#parallel', parallel], ['#output-name', output]]) {
      await page.$eval(id, (e) => { e.value = ''; });
      await page.type(id, String(value));
    }
  }

  // The file the page saves when `selector` is clicked, once Firefox has finished writing it.
  async function saved(selector, name) {
    const file = path.join(downloads, name);
    fs.rmSync(file, { force: true });
    await page.click(selector);
    const until = Date.now() + 30000;
    while (Date.now() < until) {
      if (fs.existsSync(file) && !fs.existsSync(`${file}.part`) && fs.statSync(file).size > 0) return fs.readFileSync(file);
      await new Promise((resolve) => setTimeout(resolve, 50));
    }
    assert.fail(`${name} was not saved`);
  }

  const assessed = () => page.waitForFunction(() => !document.body.dataset.assessing &&
    !document.getElementById('save-json').disabled, { timeout: 60000 });

  it('runs a list and saves the result and the assessment byte for byte as voltrigg-cli writes them', async (t) => {
    const listPath = path.join(work, 'modules.csv');
    fs.writeFileSync(listPath, exampleList);
    await fillRun(listPath, 10, 6, 'result');
    await page.click('#run');
    await page.waitForFunction(() => document.getElementById('message').textContent === '計算が終了しました',
      { timeout: 30000 });
    const cli = runCli(exampleList, 'modules.csv', 10, 6, 'result', ['--assess']);
    assert.ok((await saved('#save-result', 'result.csv')).equals(cli.result), 'result file differs from the CLI');
    await assessed();
    assert.ok((await saved('#save-json', 'result.assessment.json')).equals(cli.assessment),
      'assessment JSON differs from the CLI');
    assert.match(await page.$eval('#verdict', (e) => e.textContent), /以下です/);
    // In the worker, which told the page how far it had come.
    assert.equal(await page.evaluate(() => document.body.dataset.assessedIn), 'worker');
    assert.match(await page.evaluate(() => document.body.dataset.progress), / 100\.0$/);
    t.diagnostic(`Firefox: page open ${await page.evaluate(() => document.body.dataset.openMs)} ms`);
  });

  it('plans and assesses 1000 modules (S 20, P 50) as voltrigg-cli does, and is timed', async (t) => {
    const list = generatedList(1000, 42);
    const listPath = path.join(work, 'big.csv');
    fs.writeFileSync(listPath, list);
    await fillRun(listPath, 20, 50, 'big-plan');
    await page.click('#run');
    await page.waitForFunction(() => document.getElementById('save-result').textContent.includes('big-plan.csv'),
      { timeout: 30000 }).catch(async (e) => {
      throw new Error(`${e.message}; message "${await page.$eval('#message', (m) => m.textContent)}", list ` +
        `"${await page.$eval('#list-name', (m) => m.textContent)}", S "${await page.$eval('#series', (m) => m.value)}"`);
    });
    const cli = runCli(list, 'big.csv', 20, 50, 'big-plan', ['--assess']);
    assert.ok((await saved('#save-result', 'big-plan.csv')).equals(cli.result), 'result file differs from the CLI');
    await assessed();
    const json = await saved('#save-json', 'big-plan.assessment.json');
    // The curves' last bits may differ from glibc's (see core_identity); the wirings never.
    const web = JSON.parse(json.toString());
    const native = JSON.parse(cli.assessment.toString());
    assert.deepEqual(web.arrangements.optimized.strings.map((s) => s.modules),
      native.arrangements.optimized.strings.map((s) => s.modules));
    assert.ok(Math.abs(web.arrangements.optimized.pmp_w - native.arrangements.optimized.pmp_w) <= 1e-9 * native.arrangements.optimized.pmp_w);
    const timing = await page.evaluate(() => ({ run: document.body.dataset.runMs, assess: document.body.dataset.assessMs }));
    t.diagnostic(`Firefox: run at N = 1000 (S 20, P 50) ${timing.run} ms in the page, ` +
      `assessment with the optimiser ${timing.assess} ms`);
  });

  it('opens a result with its list, checks typed strings, keeps them through a reload and saves voltrigg-cli\'s JSON', async () => {
    const dir = path.join(work, 'field');
    fs.mkdirSync(dir);
    fs.writeFileSync(path.join(dir, 'modules.csv'), exampleList);
    assert.equal(spawnSync(cliPath, ['-s', '10', '-p', '6', '-o', 'result', 'modules.csv'], { cwd: dir }).status, 0);
    const input = await page.$('#open-files');
    await input.uploadFile(path.join(dir, 'result.csv'), path.join(dir, 'modules.csv'));
    await page.waitForSelector('#commission-body:not([hidden])', { timeout: 30000 });
    const type = async (id, value) => {
      await page.$eval(id, (e) => { e.value = ''; });
      await page.type(id, value);
    };
    await type('#c-irradiance', '850');
    await type('#c-module-temperature', '45');
    await type('#s1-voc_v', '369.3');
    await type('#s1-isc_a', '8.45');
    await type('#s3-voc_v', '332');
    await type('#s3-isc_a', '8.4');
    await page.waitForFunction(() => document.getElementById('verdict-3').textContent === '不合格', { timeout: 10000 });
    assert.equal(await page.$eval('#verdict-1', (e) => e.textContent), '合格');
    await page.reload();
    await page.waitForSelector('#commission-body:not([hidden])', { timeout: 30000 });
    assert.equal(await page.$eval('#s3-voc_v', (e) => e.value), '332');
    assert.equal(await page.$eval('#c-irradiance', (e) => e.value), '850');
    const measured = await saved('#save-measurements', 'result-measured.csv');
    const json = await saved('#save-commissioning', 'result-measured.commissioning.json');
    fs.writeFileSync(path.join(dir, 'result-measured.csv'), measured);
    const r = spawnSync(cliPath, ['commission', 'result.csv', 'result-measured.csv'], { cwd: dir });
    assert.equal(r.status, 1, String(r.stderr));
    assert.ok(json.equals(fs.readFileSync(path.join(dir, 'result-measured.commissioning.json'))),
      'the commissioning JSON differs from voltrigg-cli\'s');
  });

  it('made no network request and raised no script error', () => {
    assert.deepEqual(refused, []);
    assert.deepEqual(errors, []);
  });
});
