// The page's plant tab (発電所) in headless chromium from file://: the example
// lot and layout planned in each mode, the summary and the three saved files
// held to voltrigg-cli plant's; refusals in the core's words with nothing to
// save; a serial's place; files dropped on the tab; a generated lot of
// 20 000 modules; and the tab laid out on a phone, a tablet and a desktop.
// The plan times are printed, never asserted.
//   node --test tests/web/plant.test.mjs
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, it } from 'node:test';

import { cliPath, openPageInChromium, repo, seededRandom, tempDir } from './support.mjs';

const examplePath = path.join(repo, 'examples/plant-modules.csv');
const layoutPath = path.join(repo, 'examples/plant-layout.json');
const shots = path.join(repo, 'build-web/screenshots');
const kPrefix = 'voltrigg-cli: plant: ';

// voltrigg-cli plant in a fresh folder holding `files` ({ name: bytes }),
// speaking Japanese as the page does; the three files when written.
function runPlantCli(files, args) {
  const dir = tempDir('voltrigg-plant-cli-');
  try {
    for (const [name, bytes] of Object.entries(files)) fs.writeFileSync(path.join(dir, name), bytes);
    const r = spawnSync(cliPath, ['plant', ...args], { cwd: dir, maxBuffer: 1 << 28,
      env: { ...process.env, LC_ALL: 'ja_JP.UTF-8' } });
    if (r.error) throw r.error;
    const base = args[args.indexOf('-o') + 1];
    const read = (suffix) => {
      const p = path.join(dir, `${base}${suffix}`);
      return fs.existsSync(p) ? fs.readFileSync(p) : null;
    };
    return { status: r.status, stdout: r.stdout.toString(), stderr: r.stderr.toString(),
      register: read('.register.csv'), picklist: read('.picklist.csv'), plant: read('.plant.json') };
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

const lines = (text) => text.split('\n').filter((l) => l !== '');

// A made-up lot of `count` 580 W-class modules on pallets of 33, in
// delivery order, as a header-named list; and a layout of 25-module strings
// on string inverters with 10 inputs of 2 strings.
function generatedLot(count, seed) {
  const random = seededRandom(seed);
  const normal = () => (random.next() + random.next() + random.next() - 1.5) * 2; // roughly N(0, 1)
  const rows = ['serial,pallet,pmax_w,vmp_v,imp_a,voc_v,isc_a'];
  let vmpMean = 44;
  let impMean = 13.2;
  for (let k = 0; k < count; ++k) {
    if (k % 33 === 0) {
      vmpMean = 44 * (1 + 0.004 * normal());
      impMean = 13.2 * (1 + 0.004 * normal());
    }
    const vmp = vmpMean * (1 + 0.006 * normal());
    const imp = impMean * (1 + 0.006 * normal());
    const serial = `GX-${String(k + 1).padStart(7, '0')}`;
    const pallet = `PL-${String(Math.floor(k / 33) + 1).padStart(4, '0')}`;
    rows.push(`${serial},${pallet},${(vmp * imp).toFixed(1)},${vmp.toFixed(2)},${imp.toFixed(3)},`
      + `${(vmp * 1.193).toFixed(2)},${(imp * 1.061).toFixed(3)}`);
  }
  return Buffer.from(rows.join('\r\n') + '\r\n');
}

function generatedLayout(inverters) {
  return Buffer.from(JSON.stringify({
    name: 'Generated test plant',
    modules_per_string: 25,
    inverter_groups: [{ prefix: 'GI', count: inverters, strings_per_input: Array(10).fill(2),
      profile: { max_dc_voltage_v: 1500, mppt_min_v: 500, mppt_max_v: 1300, max_input_current_a: 30,
        max_short_circuit_current_a: 50 } }],
  }));
}

describe('the plant tab in headless chromium from file://', () => {
  let context;
  let page;
  let refused;
  let errors;
  const work = tempDir('voltrigg-plant-page-');

  before(async () => {
    fs.mkdirSync(shots, { recursive: true });
    ({ context, page, refused, errors } = await openPageInChromium(path.join(work, 'profile'), { viewport: { width: 1200, height: 900 } }));
    await page.click('#tab-plant');
  });

  after(async () => {
    await context?.close();
    fs.rmSync(work, { recursive: true, force: true });
  });

  const file = (name, bytes) => {
    const p = path.join(work, name);
    fs.writeFileSync(p, bytes);
    return p;
  };

  async function saveDownload(trigger) {
    const [download] = await Promise.all([page.waitForEvent('download'), trigger()]);
    const saved = path.join(work, `download-${Date.now()}-${download.suggestedFilename()}`);
    await download.saveAs(saved);
    return { name: download.suggestedFilename(), bytes: fs.readFileSync(saved) };
  }

  async function pick(lists, layout) {
    await page.evaluate(() => document.getElementById('plant-clear-lists').click()); // hidden when none are picked
    await page.setInputFiles('#plant-lists', lists);
    await page.setInputFiles('#plant-layout', layout);
    // The files are read as they are picked: wait until the form holds them all.
    await page.waitForFunction(([count, name]) =>
      document.getElementById('plant-list-count').textContent === `${count} 個`
        && document.getElementById('plant-layout-name').textContent === name,
    [lists.length, path.basename(layout)], { timeout: 30000 });
  }

  // Plans what is picked; the page's exit status and plan time [ms].
  async function plan(sort, window = '2', base = 'plant') {
    await page.selectOption('#plant-sort', sort);
    await page.fill('#plant-pallet-window', window);
    await page.fill('#plant-output', base);
    await page.evaluate(() => { delete document.body.dataset.plantExit; });
    await page.click('#plant-run');
    await page.waitForFunction(() => document.body.dataset.plantExit !== undefined, null, { timeout: 120000 });
    return page.evaluate(() => ({ exit: Number(document.body.dataset.plantExit), ms: Number(document.body.dataset.plantMs) }));
  }

  const summaryShown = () => page.$$eval('#plant-summary p', (ps) => ps.map((p) => p.textContent));
  const messageLines = () => page.$$eval('#plant-message .line', (spans) => spans.map((l) => l.textContent));

  async function savedFiles(base) {
    const register = await saveDownload(() => page.click('#save-register'));
    const picklist = await saveDownload(() => page.click('#save-picklist'));
    const plant = await saveDownload(() => page.click('#save-plant'));
    assert.deepEqual([register.name, picklist.name, plant.name],
      [`${base}.register.csv`, `${base}.picklist.csv`, `${base}.plant.json`]);
    return { register: register.bytes, picklist: picklist.bytes, plant: plant.bytes };
  }

  it('plans the example in each mode as voltrigg-cli plant: the summary and the three files byte for byte', async () => {
    await pick([examplePath], layoutPath);
    assert.equal(await page.textContent('#plant-layout-name'), 'plant-layout.json');
    const files = { 'plant-modules.csv': fs.readFileSync(examplePath), 'plant-layout.json': fs.readFileSync(layoutPath) };
    for (const [sort, window] of [['delivered', '2'], ['pallets', '3'], ['free', '2']]) {
      const { exit, ms } = await plan(sort, window, `ex-${sort}`);
      const cli = runPlantCli(files, ['plant-modules.csv', '--layout', 'plant-layout.json', '-o', `ex-${sort}`,
        '--sort', sort, '--pallet-window', window]);
      assert.equal(exit, cli.status, cli.stderr);
      assert.equal(cli.status, 0);
      const shown = await summaryShown();
      const printed = lines(cli.stdout);
      assert.deepEqual(shown, printed.slice(0, shown.length), sort);
      assert.equal(printed.length, shown.length + 3, 'the CLI adds only the three files written');
      const saved = await savedFiles(`ex-${sort}`);
      assert.ok(saved.register.equals(cli.register), `${sort}: register`);
      assert.ok(saved.picklist.equals(cli.picklist), `${sort}: pick list`);
      assert.ok(saved.plant.equals(cli.plant), `${sort}: plant file`);
      console.log(`page plan time, example (400 modules, ${sort}): ${ms.toFixed(1)} ms`);
    }
  });

  it('answers where a searched serial goes: its inverter, input, string and position, or spare', async () => {
    const register = runPlantCli({ 'm.csv': fs.readFileSync(examplePath), 'l.json': fs.readFileSync(layoutPath) },
      ['m.csv', '--layout', 'l.json', '-o', 'r']).register.toString().trim().split('\r\n').slice(1)
      .map((row) => row.split(','));
    await plan('free');
    const answer = async (serial) => {
      await page.fill('#plant-search', serial);
      await page.press('#plant-search', 'Enter');
      await page.waitForFunction((s) => document.getElementById('plant-search-result').textContent.includes(s.trim()),
        serial);
      return page.textContent('#plant-search-result');
    };
    const [serial, pallet, inverter, input, string, position] = register[5];
    assert.equal(await answer(serial),
      `${serial}: パワコン ${inverter}、入力 ${input}、ストリング ${string}、${position} 番目 (パレット ${pallet})`);
    const spare = register.find((row) => row[2] === 'spare');
    assert.equal(await answer(` ${spare[0]} `), `${spare[0]}: 予備 (パレット ${spare[1]})`);
    assert.equal(await answer('NO-SUCH-SERIAL'), 'シリアル番号 NO-SUCH-SERIAL はこの計画にありません');
  });

  it('refuses in the core\'s words, as voltrigg-cli, and leaves nothing to save', async () => {
    // The same serials in two lists: each place named.
    const again = file('again.csv', fs.readFileSync(examplePath));
    await pick([examplePath, again], layoutPath);
    const { exit } = await plan('free');
    const cli = runPlantCli({ 'plant-modules.csv': fs.readFileSync(examplePath), 'again.csv': fs.readFileSync(examplePath),
      'plant-layout.json': fs.readFileSync(layoutPath) },
    ['plant-modules.csv', 'again.csv', '--layout', 'plant-layout.json', '-o', 'x']);
    assert.equal(cli.status, 2);
    assert.equal(exit, 2);
    assert.equal(cli.register, null);
    assert.deepEqual(await messageLines(), lines(cli.stderr).map((l) => l.slice(kPrefix.length)));
    assert.match(await page.textContent('#plant-message'), /again\.csv/);
    assert.equal(await page.isHidden('#plant-results'), true, 'no files to save after a refusal');
    // A condition out of its range: named by the field's label, status 64.
    await pick([examplePath], layoutPath);
    await page.fill('#plant-tmin', '-90');
    const refusedCondition = await plan('free');
    assert.equal(refusedCondition.exit, 64);
    assert.match(await page.textContent('#plant-message'), /-90/);
    assert.equal(await page.isHidden('#plant-results'), true);
    await page.fill('#plant-tmin', '-10');
    // A pallet window that is no whole number.
    assert.equal((await plan('pallets', '1.5')).exit, 64);
    assert.match(await page.textContent('#plant-message'), /パレットの窓.*1\.5/);
    // A layout that needs more modules than the lists hold.
    const big = file('big.json', generatedLayout(10));
    await pick([examplePath], big);
    assert.equal((await plan('free')).exit, 2);
    assert.deepEqual(await messageLines(), ['リストのモジュールは 400 個で、レイアウトには 5000 個必要です', '何も書き出していません']);
  });

  it('saves a plan that fails a check, says so, and gives the CLI\'s status 1 and bytes', async () => {
    await pick([examplePath], layoutPath);
    await page.fill('#plant-max-system-voltage', '1300');
    const { exit } = await plan('free', '2', 'over');
    await page.fill('#plant-max-system-voltage', '1500');
    const cli = runPlantCli({ 'plant-modules.csv': fs.readFileSync(examplePath), 'plant-layout.json': fs.readFileSync(layoutPath) },
      ['plant-modules.csv', '--layout', 'plant-layout.json', '-o', 'over', '--max-system-voltage', '1300']);
    assert.equal(cli.status, 1);
    assert.equal(exit, 1);
    assert.equal(await page.textContent('#plant-message'), '計画しました (不適合の検査があります)');
    const shown = await summaryShown();
    assert.deepEqual(shown, lines(cli.stdout).slice(0, -3));
    assert.ok(shown.some((l) => l.includes('超過')), shown.join('\n'));
    const saved = await savedFiles('over');
    assert.ok(saved.register.equals(cli.register) && saved.picklist.equals(cli.picklist) && saved.plant.equals(cli.plant));
  });

  it('takes lists and the layout dropped on the tab, told apart by their content', async () => {
    await page.evaluate(() => document.getElementById('plant-clear-lists').click());
    await page.evaluate(([list, layout]) => {
      const data = new DataTransfer();
      data.items.add(new File([new Uint8Array(layout)], 'dropped-layout.txt'));
      data.items.add(new File([new Uint8Array(list)], 'dropped.csv', { type: 'text/csv' }));
      document.dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true, cancelable: true }));
    }, [[...fs.readFileSync(examplePath)], [...fs.readFileSync(layoutPath)]]);
    await page.waitForFunction(() => document.getElementById('plant-layout-name').textContent === 'dropped-layout.txt');
    assert.deepEqual(await page.$$eval('#plant-list-names li', (li) => li.map((l) => l.textContent)), ['dropped.csv']);
    assert.equal((await plan('delivered')).exit, 0);
    // The array tab's picking is untouched.
    assert.equal(await page.textContent('#list-name'), '');
  });

  it('plans a generated lot of 20 000 modules with the CLI\'s bytes (time printed)', async () => {
    const lot = generatedLot(20000, 7);
    const layout = generatedLayout(38); // 760 strings of 25: 19 000 modules used, 1 000 spare
    await pick([file('lot20k.csv', lot)], file('lot20k.json', layout));
    const { exit, ms } = await plan('free', '2', 'lot20k');
    const started = process.hrtime.bigint();
    const cli = runPlantCli({ 'lot20k.csv': lot, 'lot20k.json': layout },
      ['lot20k.csv', '--layout', 'lot20k.json', '-o', 'lot20k']);
    const cliMs = Number(process.hrtime.bigint() - started) / 1e6;
    assert.equal(exit, cli.status, cli.stderr);
    const saved = await savedFiles('lot20k');
    assert.ok(saved.register.equals(cli.register));
    assert.ok(saved.picklist.equals(cli.picklist));
    assert.ok(saved.plant.equals(cli.plant));
    assert.deepEqual(await summaryShown(), lines(cli.stdout).slice(0, -3));
    console.log(`page plan time, 20 000 modules (all three modes, free written): ${ms.toFixed(0)} ms; `
      + `voltrigg-cli plant process: ${cliMs.toFixed(0)} ms`);
  });

  it('fits a phone, a tablet and a desktop: no sideways scrolling, touch targets of 44 px', async () => {
    await pick([examplePath], layoutPath);
    assert.equal((await plan('pallets')).exit, 0);
    await page.fill('#plant-search', 'ZX58-0000002');
    await page.press('#plant-search', 'Enter');
    await page.waitForFunction(() => document.getElementById('plant-search-result').textContent !== '');
    for (const [name, width, height] of [['phone', 390, 844], ['tablet', 820, 1180], ['desktop', 1280, 900]]) {
      await page.setViewportSize({ width, height });
      await page.evaluate(() => window.scrollTo(0, 0));
      const [scroll, inner] = await page.evaluate(() => [document.documentElement.scrollWidth, innerWidth]);
      assert.ok(scroll <= inner, `${name}: the page is ${scroll} px wide in ${inner} px`);
      const small = await page.$$eval('main button, main input, main select, main a', (elements) => elements
        .filter((e) => e.offsetParent !== null && getComputedStyle(e).visibility !== 'hidden')
        .map((e) => ({ what: e.id || e.textContent.trim(), box: e.getBoundingClientRect() }))
        .filter(({ box }) => box.height < 44 - 0.5 || box.width < 44 - 0.5)
        .map(({ what, box }) => `${what} ${box.width.toFixed(0)}×${box.height.toFixed(0)}`));
      assert.deepEqual(small, [], name);
      await page.screenshot({ path: path.join(shots, `plant-${name}.png`), fullPage: true });
    }
    await page.setViewportSize({ width: 1200, height: 900 });
  });

  it('is reached by the keyboard: the arrow keys move between the tabs', async () => {
    await page.focus('#tab-plant');
    await page.keyboard.press('ArrowLeft');
    assert.equal(await page.isHidden('#plant-page'), true);
    assert.equal(await page.evaluate(() => document.activeElement.id), 'tab-array');
    await page.keyboard.press('ArrowRight');
    assert.equal(await page.isHidden('#array-page'), true);
    await page.keyboard.press('Tab');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'plant-lists', 'one Tab stop for the tabs');
  });

  it('made no network request and raised no script error', () => {
    assert.deepEqual(refused, []);
    assert.deepEqual(errors, []);
  });
});
