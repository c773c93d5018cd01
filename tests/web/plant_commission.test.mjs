// A plant's strings checked on the page, in chromium with a phone's viewport
// (390 × 844, touch) from file:// with every network request refused: the
// example plant planned by voltrigg-cli plant, its plant file and list opened
// together in the 試運転検査 section, two strings typed (one at the expected
// values the page shows, one a fifth of its Voc short), the measurement file,
// the commissioning JSON and the blank form saved (voltrigg-cli commission
// writes the same bytes from the same files), the values back after a
// reload, the files it cannot use refused on the page, and the page never
// scrolls sideways.
//   node --test tests/web/plant_commission.test.mjs
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, it } from 'node:test';

import { cliPath, openPageInChromium, repo, tempDir } from './support.mjs';

const shots = path.join(repo, 'build-web/screenshots');

function cli(dir, args) {
  const r = spawnSync(cliPath, args, { cwd: dir, env: { ...process.env, LC_ALL: 'C' }, maxBuffer: 1 << 26 });
  if (r.error) throw r.error;
  return r;
}

describe('a plant\'s strings checked on a phone (390 × 844, touch)', () => {
  const work = tempDir('voltrigg-plant-check-page-');
  const dir = tempDir('voltrigg-plant-check-files-');
  let refused;
  let errors;
  let context;
  let page;
  const typed = {};

  before(async () => {
    fs.mkdirSync(shots, { recursive: true });
    fs.copyFileSync(path.join(repo, 'examples/plant-modules.csv'), path.join(dir, 'plant-modules.csv'));
    const r = cli(dir, ['plant', 'plant-modules.csv', '--layout', path.join(repo, 'examples/plant-layout.json'),
      '-o', 'BASE']);
    assert.equal(r.status, 0, String(r.stderr));
    ({ context, page, refused, errors } = await openPageInChromium(path.join(work, 'profile'), {
      viewport: { width: 390, height: 844 },
      isMobile: true,
      hasTouch: true,
      deviceScaleFactor: 3,
    }));
  });

  after(async () => {
    await context?.close();
    fs.rmSync(work, { recursive: true, force: true });
    fs.rmSync(dir, { recursive: true, force: true });
  });

  const noSidewaysScroll = async (where) => {
    const [scroll, inner] = await page.evaluate(() => [document.documentElement.scrollWidth, innerWidth]);
    assert.ok(scroll <= inner, `${where}: the page is ${scroll} px wide in a ${inner} px window`);
  };

  async function openPlant(paths) {
    await page.evaluate(() => { document.getElementById('plant-open-message').textContent = ''; });
    await page.setInputFiles('#plant-commission-files', paths);
  }

  // The files dropped on the page, as a file manager drops them.
  async function dropOnPage(paths) {
    await page.evaluate(() => { document.getElementById('plant-open-message').textContent = ''; });
    const files = paths.map((p) => ({ name: path.basename(p), bytes: [...fs.readFileSync(p)] }));
    await page.evaluate((dropped) => {
      const data = new DataTransfer();
      for (const f of dropped) data.items.add(new File([new Uint8Array(f.bytes)], f.name));
      document.dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true, cancelable: true }));
    }, files);
  }

  // The reason the picked files cannot be checked, once the page has read them.
  async function refusalOf(paths) {
    await openPlant(paths);
    await page.waitForFunction(() => document.getElementById('plant-open-message').textContent !== '');
    return page.textContent('#plant-open-message');
  }

  async function saveDownload(trigger) {
    const [download] = await Promise.all([page.waitForEvent('download'), trigger()]);
    const file = path.join(work, `download-${Date.now()}-${download.suggestedFilename()}`);
    await download.saveAs(file);
    return { name: download.suggestedFilename(), bytes: fs.readFileSync(file) };
  }

  // The expected values at 1000 W/m² and 25 °C the page shows for string `n`.
  async function shownStc(n) {
    const text = await page.textContent(`#string-${n} .stc`);
    const m = text.match(/Voc ([0-9.]+) V、Isc ([0-9.]+) A/);
    assert.ok(m, text);
    return { voc: m[1], isc: m[2] };
  }

  async function checkTyped() {
    assert.equal(await page.inputValue('#c-irradiance'), '1000');
    assert.equal(await page.inputValue('#c-module-temperature'), '25');
    for (const [n, values] of Object.entries(typed)) {
      for (const [column, value] of Object.entries(values)) {
        assert.equal(await page.inputValue(`#s${n}-${column}`), value, `string ${n} ${column}`);
      }
    }
    assert.equal(await page.textContent('#verdict-1'), '合格');
    assert.equal(await page.textContent('#verdict-2'), '不合格');
  }

  it('opens the plant file and its list picked together, the strings named as the register names them', async () => {
    // The section stands ready with no result shown.
    assert.equal(await page.isVisible('#plant-commission-files'), true);
    assert.equal(await page.isHidden('#results'), true);
    await openPlant([path.join(dir, 'plant-modules.csv'), path.join(dir, 'BASE.plant.json')]); // in either order
    await page.waitForSelector('#commission-body:not([hidden])');
    const register = fs.readFileSync(path.join(dir, 'BASE.register.csv'), 'utf8').split('\r\n').slice(1)
      .filter((l) => l !== '' && !l.includes(',spare,'))
      .map((l) => l.split(',')).map((f) => `${f[2]}.${f[3]}.${f[4]}`);
    const names = [...new Set(register)];
    assert.equal(await page.locator('#string-rows .string-row').count(), names.length);
    const shown = await page.$$eval('#string-rows .string-name', (es) => es.map((e) => e.textContent));
    assert.deepEqual([...shown].sort(), [...names].sort());
    assert.match(await page.textContent('#string-pick option'), new RegExp(`^${shown[0].replace(/\./g, '\\.')} \\(1/`));
    assert.match(await page.textContent('#commission-plan'), /システム電圧 1500 V/);
    assert.equal(await page.locator('#string-rows .string-row:visible').count(), 1);
    await noSidewaysScroll('opened');
  });

  it('checks two strings as they are typed, one at a time with next', async () => {
    await page.fill('#c-irradiance', '1000');
    await page.fill('#c-module-temperature', '25');
    const first = await shownStc(1);
    typed[1] = { voc_v: first.voc, isc_a: first.isc };
    for (const [column, value] of Object.entries(typed[1])) await page.fill(`#s1-${column}`, value);
    await page.tap('#string-next');
    assert.equal(await page.isVisible('#s2-voc_v'), true);
    const second = await shownStc(2);
    typed[2] = { voc_v: (Number(second.voc) * 0.8).toFixed(1), isc_a: second.isc };
    for (const [column, value] of Object.entries(typed[2])) await page.fill(`#s2-${column}`, value);
    await checkTyped();
    assert.match(await page.textContent('#commission-summary'), /合格 1、不合格 1、未測定/);
    await noSidewaysScroll('typed');
    await page.locator('#commissioning').scrollIntoViewIfNeeded();
    await page.screenshot({ path: path.join(shots, 'plant-commission-phone.png') });
  });

  it('saves the measurement file, the JSON and the blank form as voltrigg-cli writes them from the same files', async () => {
    const measured = await saveDownload(() => page.click('#save-measurements'));
    assert.equal(measured.name, 'BASE-measured.csv');
    const json = await saveDownload(() => page.click('#save-commissioning'));
    assert.equal(json.name, 'BASE-measured.commissioning.json');
    fs.writeFileSync(path.join(dir, measured.name), measured.bytes);
    const r = cli(dir, ['commission', 'BASE.plant.json', measured.name, '--list', 'plant-modules.csv', '-o', 'X']);
    assert.equal(r.status, 1, String(r.stderr)); // a string fails, the others are not measured
    const written = fs.readFileSync(path.join(dir, 'X.commissioning.json'));
    assert.ok(json.bytes.equals(written), 'the page\'s commissioning JSON differs from voltrigg-cli\'s');
    const doc = JSON.parse(written.toString());
    assert.equal(doc.strings_failed.length, doc.strings.length - 1); // all but the one passing
    const form = await saveDownload(() => page.click('#save-form'));
    assert.equal(form.name, 'BASE-form.csv');
    assert.equal(cli(dir, ['commission', '--form', 'form.csv', 'BASE.plant.json', '--list', 'plant-modules.csv']).status, 0);
    assert.ok(form.bytes.equals(fs.readFileSync(path.join(dir, 'form.csv'))), 'the blank form differs');
  });

  it('brings the values back after a reload, and from the saved measurement file', async () => {
    await page.reload();
    await page.waitForSelector('body[data-ready="yes"]');
    // Dropped on the page this time: the plant file among them makes it a plant's check.
    await dropOnPage([path.join(dir, 'plant-modules.csv'), path.join(dir, 'BASE.plant.json')]);
    await page.waitForSelector('#commission-body:not([hidden])');
    await checkTyped();
    assert.match(await page.textContent('#commission-store'), /入力済みの値を読み込みました/);
    await page.setInputFiles('#measurement-file', path.join(dir, 'BASE-measured.csv'));
    await page.waitForSelector('#confirm[open]');
    await page.click('#confirm-yes');
    await page.waitForFunction(() => /を開きました/.test(document.getElementById('commission-message').textContent));
    // The file holds the conditions in each measured row; the values read back as typed.
    for (const [n, values] of Object.entries(typed)) {
      for (const [column, value] of Object.entries(values)) {
        assert.equal(Number(await page.inputValue(`#s${n}-${column}`)), Number(value), `string ${n} ${column}`);
      }
    }
    assert.equal(await page.textContent('#verdict-1'), '合格');
    assert.equal(await page.textContent('#verdict-2'), '不合格');
  });

  it('refuses files it cannot check, saying why', async () => {
    // The plant file alone.
    assert.match(await refusalOf([path.join(dir, 'BASE.plant.json')]), /モジュールリストも一緒に選んでください/);
    // Dropped alone on the page, it is still taken for a plant's check, not for a list to plan.
    await dropOnPage([path.join(dir, 'BASE.plant.json')]);
    await page.waitForFunction(() => document.getElementById('plant-open-message').textContent !== '');
    assert.match(await page.textContent('#plant-open-message'), /モジュールリストも一緒に選んでください/);
    // Lists alone.
    assert.match(await refusalOf([path.join(dir, 'plant-modules.csv')]), /発電所ファイル \(\.plant\.json\) を 1 つ選んでください/);
    // A list lacking modules of the plant: the core's refusal naming a serial.
    const text = fs.readFileSync(path.join(dir, 'plant-modules.csv'), 'utf8');
    fs.writeFileSync(path.join(dir, 'half.csv'), text.slice(0, text.indexOf('\n', text.length / 2) + 1));
    await openPlant([path.join(dir, 'BASE.plant.json'), path.join(dir, 'half.csv')]);
    await page.waitForFunction(() => /試運転検査はできません/.test(document.getElementById('commission-failure').textContent));
    assert.match(await page.textContent('#commission-failure'), /はどのリストにもありません/);
    assert.equal(await page.isHidden('#commission-body'), true);
    assert.deepEqual(errors, []);
    assert.deepEqual(refused, []);
  });
});
