// The page in a real browser: Debian's chromium, headless, opened from
// file:// with every network request refused. What a user does: pick a list
// (or drop it), type the counts and the output name, run by mouse and by
// keyboard alone, save the result and the assessment, search a serial number,
// print the plan.
//   node --test tests/web/page.test.mjs
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, it } from 'node:test';

import { generatedList, openPageInChromium, pagePath, repo, runCli, tempDir } from './support.mjs';

const exampleList = fs.readFileSync(path.join(repo, 'examples/modules.csv'));
const shots = path.join(repo, 'build-web/screenshots');

describe('the page in headless chromium from file://', () => {
  let context;
  let page;
  let refused;
  let errors;
  const work = tempDir('voltrigg-page-');

  before(async () => {
    fs.mkdirSync(shots, { recursive: true });
    ({ context, page, refused, errors } = await openPageInChromium(path.join(work, 'profile'), { viewport: { width: 1200, height: 900 } }));
  });

  after(async () => {
    await context?.close();
    fs.rmSync(work, { recursive: true, force: true });
  });

  const listFile = (name, bytes) => {
    const p = path.join(work, name);
    fs.writeFileSync(p, bytes);
    return p;
  };

  async function fillRun(listPath, series, parallel, output) {
    if (listPath) await page.setInputFiles('#list-file', listPath);
    await page.fill('#series', String(series));
    await page.fill('#parallel', String(parallel));
    await page.fill('#output-name', output);
  }

  async function saveDownload(trigger) {
    const [download] = await Promise.all([page.waitForEvent('download'), trigger()]);
    const file = path.join(work, `download-${Date.now()}`);
    await download.saveAs(file);
    return { name: download.suggestedFilename(), bytes: fs.readFileSync(file) };
  }

  const messageIs = (text) =>
    page.waitForFunction((t) => document.getElementById('message').textContent === t, text, { timeout: 30000 })
      .catch(async () => assert.fail(`message "${await page.textContent('#message')}", expected "${text}"`));

  it('runs by mouse and saves the result byte-identical to voltrigg-cli; the assessment JSON too', async (t) => {
    await fillRun(listFile('modules.csv', exampleList), 10, 6, 'result');
    await page.click('#run');
    await messageIs('計算が終了しました');
    const result = await saveDownload(() => page.click('#save-result'));
    const cli = runCli(exampleList, 'modules.csv', 10, 6, 'result', ['--assess']);
    assert.equal(result.name, 'result.csv');
    assert.ok(result.bytes.equals(cli.result), 'result file differs from the CLI');

    await page.waitForFunction(() => !document.getElementById('save-json').disabled, null, { timeout: 30000 });
    const json = await saveDownload(() => page.click('#save-json'));
    assert.equal(json.name, 'result.assessment.json');
    assert.ok(json.bytes.equals(cli.assessment), 'assessment JSON differs from the CLI');
    assert.match(await page.textContent('#verdict'), /以下です/);
    assert.equal(await page.evaluate(() => document.body.dataset.assessedIn), 'worker');
    // The optimised wiring of the same modules, in the picture and the table.
    const optimized = JSON.parse(json.bytes.toString()).arrangements.optimized.strings.map((s) => s.modules);
    await page.selectOption('#wiring', 'optimized');
    assert.equal(await page.locator('#wiring-table tbody tr').count(), 60);
    assert.equal(await page.locator('#wiring-table tbody tr').first().locator('td').nth(2).textContent(), String(optimized[0][0]));
    // The optimised wiring saved under its own name, its rows in string order.
    const wiring = await saveDownload(() => page.click('#save-wiring'));
    assert.equal(wiring.name, 'result-optimized.csv');
    const lines = wiring.bytes.toString('latin1').split('\r\n').filter((l) => l !== '');
    assert.equal(lines[0], '"Wiring=","optimized","Result File=","result.csv"');
    assert.deepEqual(lines.slice(2).map((l) => Number(l.split(',')[2])), optimized.flat());
    assert.deepEqual(lines.slice(2).map((l) => l.split(',').slice(0, 2).join(',')),
      optimized.flatMap((string, j) => string.map((_, k) => `${j + 1},${k + 1}`)));
    // The search names the wiring it answers for.
    const firstSerial = lines[2].split(',')[3].replaceAll('"', '');
    await page.fill('#search', firstSerial);
    assert.match(await page.textContent('#search-result'), /^ストリング 1 の 1 番目 \(モジュール番号 \d+、最適化した配線\)$/);
    await page.fill('#search', '');
    // Printed: the title a browser offers as the PDF's name, and every page, name the wiring.
    await page.evaluate(() => {
      window.print = () => { document.body.dataset.printedTitle = document.title; };
    });
    await page.click('#print');
    assert.equal(await page.evaluate(() => document.body.dataset.printedTitle), 'result-optimized 配線図 (最適化した配線)');
    const pdf = path.join(work, 'plan-optimized.pdf');
    await page.pdf({ path: pdf, format: 'A4', printBackground: true });
    const pages = spawnSync('pdftotext', ['-layout', pdf, '-'], { encoding: 'utf8' }).stdout.split('\f').filter((p) => p.trim());
    assert.ok(pages.length >= 2);
    pages.forEach((text, k) => assert.match(text, /result\.csv — 最適化した配線/, `page ${k + 1}`));
    // The charts' legends in Japanese.
    const legends = await page.$$eval('.u-legend', (ls) => ls.map((l) => l.textContent).join(' '));
    assert.doesNotMatch(legends, /Value/);
    assert.match(legends, /ストリング/);
    await page.selectOption('#wiring', 'result');
    t.diagnostic(`page open ${await page.evaluate(() => document.body.dataset.openMs)} ms, ` +
      `assessment of 60 modules ${await page.evaluate(() => document.body.dataset.assessMs)} ms`);
    await page.screenshot({ path: path.join(shots, 'page.png'), fullPage: true });
  });

  it('finds a serial number, typed or scanned, and marks the module', async () => {
    // The CLI's result says where module VT... goes: string and position by row order.
    const cli = runCli(exampleList, 'modules.csv', 10, 6, 'result');
    const rows = cli.result.toString('latin1').split('\r\n').slice(7, 67).map((l) => l.split(','));
    const k = 36; // string 4, position 7
    const serial = rows[k][2].replaceAll('"', '');
    await page.fill('#search', '');
    await page.click('#search');
    await page.keyboard.type(`${serial.toLowerCase()}\n`); // as a scanner types, ending with Enter
    assert.equal(await page.textContent('#search-result'), `ストリング 4 の 7 番目 (モジュール番号 ${rows[k][1]}、結果ファイルの配線)`);
    assert.equal(await page.getAttribute('#picture g.marked', 'data-key'), '4:7');
    assert.equal(await page.locator('#wiring-table tr.marked td').nth(3).textContent(), serial);
    // The scanned code stays selected, so the next scan replaces it.
    await page.keyboard.type('NO-SUCH-SERIAL\n');
    assert.equal(await page.textContent('#search-result'), '見つかりません: NO-SUCH-SERIAL');
    assert.equal(await page.locator('#picture g.marked').count(), 0);
  });

  it('prints the plan: every serial number in string order, the file name and page numbers', async () => {
    const pdf = path.join(work, 'plan.pdf');
    await page.pdf({ path: pdf, format: 'A4', printBackground: true });
    const text = spawnSync('pdftotext', ['-layout', pdf, '-'], { encoding: 'utf8' }).stdout;
    const cli = runCli(exampleList, 'modules.csv', 10, 6, 'result');
    const serials = cli.result.toString('latin1').split('\r\n').slice(7, 67).map((l) => l.split(',')[2].replaceAll('"', ''));
    // The table pages: each serial once, in the result file's order.
    const tableText = text.slice(text.indexOf('ストリング 1'));
    let from = 0;
    for (const s of serials) {
      const at = tableText.indexOf(s, from);
      assert.ok(at >= from, `serial ${s} missing or out of order in the printed plan`);
      from = at + s.length;
    }
    assert.match(text, /result\.csv/);
    assert.match(text, /1 \/ [2-9]/);
    // Every page says which wiring it holds.
    text.split('\f').filter((p) => p.trim()).forEach((p, k) => assert.match(p, /result\.csv — 結果ファイルの配線/, `page ${k + 1}`));
    // Laid out on A4's width (186 mm between the margins, at 96 px per inch), nothing passes its right edge.
    await page.setViewportSize({ width: 703, height: 900 });
    await page.emulateMedia({ media: 'print' });
    const overflow = await page.evaluate(() => {
      const width = document.documentElement.clientWidth;
      return [...document.querySelectorAll('#plan table, #plan td, #plan th, #plan svg')]
        .filter((e) => e.getBoundingClientRect().right > width + 0.5).map((e) => e.outerHTML.slice(0, 60));
    });
    await page.emulateMedia({ media: null });
    await page.setViewportSize({ width: 1200, height: 900 });
    assert.deepEqual(overflow, []);
    const pages = spawnSync('pdfinfo', [pdf], { encoding: 'utf8' }).stdout.match(/Pages:\s+(\d+)/)[1];
    assert.ok(Number(pages) >= 2);
    fs.copyFileSync(pdf, path.join(shots, 'plan.pdf'));
  });

  it('runs by keyboard alone', async (t) => {
    const list = generatedList(1000, 42);
    const listPath = listFile('big.csv', list);
    await page.reload();
    await page.waitForSelector('body[data-ready="yes"]');
    t.diagnostic(`page open again (reload) ${await page.evaluate(() => document.body.dataset.openMs)} ms`);
    // Tab from the top of the page: the selected tab (one stop for both
    // tabs), then the file picker, opened by Space.
    await page.keyboard.press('Tab');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'tab-array');
    await page.keyboard.press('Tab');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'list-file');
    const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.keyboard.press('Space')]);
    await chooser.setFiles(listPath);
    await page.waitForFunction(() => document.getElementById('list-name').textContent === 'big.csv');
    await page.keyboard.press('Tab');
    await page.keyboard.type('20');
    await page.keyboard.press('Tab');
    await page.keyboard.type('50');
    await page.keyboard.press('Tab');
    await page.keyboard.type('big-result');
    await page.keyboard.press('Tab');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'run');
    await page.keyboard.press('Enter');
    await messageIs('計算が終了しました');
    await page.keyboard.press('Tab');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'save-result');
    const result = await saveDownload(() => page.keyboard.press('Enter'));
    assert.equal(result.name, 'big-result.csv');
    assert.ok(result.bytes.equals(runCli(list, 'big.csv', 20, 50, 'big-result').result));
  });

  it('shows the check messages and the list errors, and runs normally afterwards', async (t) => {
    const list = generatedList(1000, 42);
    const listPath = listFile('big.csv', list);
    await fillRun(listPath, 7, 9, 'x');
    await page.click('#run');
    await messageIs('モジュール枚数があいません\nモジュール 1000 枚、並列 9 × 直列 7 = 63');
    assert.equal(await page.isHidden('#results'), true, 'no earlier result beside a failed run');
    await fillRun(null, 21, 10, 'x');
    await page.click('#run');
    // Strings above 20 modules: the refusal points to the page's own plant tab.
    await messageIs('モジュール枚数があいません\nモジュール 1000 枚、並列 10 × 直列 21 = 210\n'
      + '20 直列を超えるストリングや 1000 枚を超えるモジュールは、このページの「発電所」タブで計画できます');
    await fillRun(listFile('broken.csv', Buffer.from('No,S/N,a,b,c,d,e\r\n1,A,300,32.5,x9,40,9.7\r\n')), 1, 1, 'x');
    await page.click('#run');
    const cli = runCli(Buffer.from('No,S/N,a,b,c,d,e\r\n1,A,300,32.5,x9,40,9.7\r\n'), 'broken.csv', 1, 1, 'x');
    const cliMessage = cli.stderr.toString().replace(/^voltrigg-cli: /, '').trim();
    await messageIs(cliMessage);
    assert.match(cliMessage, /データ行 1/);
    // A file far too large for a list is refused before it reaches the core.
    await fillRun(listFile('huge.csv', Buffer.alloc(33 * 1024 * 1024, 0x41)), 1, 1, 'x');
    await page.click('#run');
    await messageIs('モジュールリストファイルが大きすぎます (33 MiB、32 MiB まで): huge.csv');
    // A result named like the list is refused, as by voltrigg-cli.
    await fillRun(listPath, 20, 50, 'big');
    await page.click('#run');
    await messageIs(runCli(list, 'big.csv', 20, 50, 'big').stderr.toString().replace(/^voltrigg-cli: /, '').trim());
    // The next run after the failed ones works, and is timed at N = 1000.
    await fillRun(listPath, 20, 50, 'big-plan');
    await page.click('#run');
    await messageIs('計算が終了しました');
    t.diagnostic(`run at N = 1000 (S 20, P 50): ${await page.evaluate(() => document.body.dataset.runMs)} ms in the page`);
    // The worker tells how far it has come while the page answers.
    await page.waitForFunction(() => /^計算中… \d+ % — 最適化の探索 \d+ \/ \d+、ランダム配線 \d+ \/ 100$/
      .test(document.getElementById('assess-text').textContent), null, { timeout: 60000, polling: 'raf' });
    await page.fill('#search', 'NO-SUCH');
    assert.equal(await page.textContent('#search-result'), '見つかりません: NO-SUCH');
    await page.waitForFunction(() => !document.body.dataset.assessing, null, { timeout: 60000 });
    const percents = (await page.evaluate(() => document.body.dataset.progress)).split(' ').map(Number);
    assert.ok(percents.length >= 100, `${percents.length} steps shown`);
    assert.ok(percents.every((p, k) => k === 0 || p > percents[k - 1]), 'progress only rises');
    assert.equal(percents.at(-1), 100);
    t.diagnostic(`assessment with the optimiser at N = 1000: ${await page.evaluate(() => document.body.dataset.assessMs)} ms`);
    assert.match(await page.textContent('#assess-text'), /評価が終わりました/);
  });

  it('checks the result against an inverter profile: the window table, its chart, the JSON and the plan', async (t) => {
    const profileDir = path.join(repo, 'examples');
    const profile = (name) => fs.readFileSync(path.join(profileDir, name));
    await fillRun(listFile('modules.csv', exampleList), 10, 6, 'window');
    await page.click('#run');
    await messageIs('計算が終了しました');
    await page.waitForFunction(() => !document.body.dataset.assessing, null, { timeout: 60000 });
    // The conditions' fields come from the core's option table: labels,
    // defaults, and a bad value refused by the field's label.
    const fields = await page.$$eval('#condition-fields label', (labels) => labels.map((l) =>
      ({ text: l.firstChild.textContent.trim(), id: l.querySelector('input,select').id, value: l.querySelector('input,select').value })));
    assert.deepEqual(fields.slice(0, 3), [{ text: '最低セル温度 [°C]', id: 'tmin', value: '-10' },
      { text: 'Voc の温度係数 [%/K]', id: 'voc-coefficient', value: '-0.3' },
      { text: '最大システム電圧 [V]', id: 'max-system-voltage', value: '1000' }]);
    assert.deepEqual(fields.at(-1), { text: '6・7列目', id: 'extras', value: 'voc,isc' });
    await page.fill('#tmin', '99');
    await page.click('#reassess');
    assert.equal(await page.textContent('#assess-text'),
      '評価できません: 「最低セル温度 [°C]」には -60 から 40 °C の数値を指定してください: 99');
    // A plan printed now says why it has no voltage verdict.
    const refusedPdf = path.join(work, 'plan-refused.pdf');
    await page.pdf({ path: refusedPdf, format: 'A4', printBackground: true });
    assert.match(spawnSync('pdftotext', [refusedPdf, '-'], { encoding: 'utf8' }).stdout.replace(/\s+/g, ''),
      /電圧チェックはありません:評価できません:「最低セル温度\[°C\]」には-60から40°Cの数値を指定してください:99/);
    await page.fill('#tmin', '-10');
    await page.click('#reassess');
    await page.waitForFunction(() => !document.body.dataset.assessing, null, { timeout: 60000 });
    // Without a profile only the system voltage limit is checked.
    assert.match(await page.textContent('#window-verdict'), /プロファイルなし/);

    // A profile too small for the array: the viewer's rows, the failed ones in red.
    await page.fill('#t-hot', '75');
    await page.setInputFiles('#inverter-file', path.join(profileDir, 'inverter_string_10k.json'));
    const assessedWith = (name) => page.waitForFunction((n) => !document.body.dataset.assessing &&
      !document.getElementById('save-json').disabled && document.getElementById('window-heading').textContent.includes(n),
    name, { timeout: 60000 });
    await assessedWith('Example 10 kW');
    // The CLI's table in English, whose rows start with the checks' keys.
    const cli = runCli(exampleList, 'modules.csv', 10, 6, 'window',
      ['--assess', '--inverter=inverter_string_10k.json', '--t-hot=75'],
      { 'inverter_string_10k.json': profile('inverter_string_10k.json') }, 'C');
    const rows = await page.$$eval('#window-table tbody tr', (trs) => trs.map((tr) =>
      ({ check: tr.dataset.check, cells: [...tr.cells].map((c) => c.textContent), failed: tr.className === 'verdict-fails',
        colour: getComputedStyle(tr.cells[2]).color })));
    assert.deepEqual(rows.map((r) => r.check), ['max_voltage', 'mppt_min', 'mppt_max', 'short_circuit_current', 'input_current']);
    const table = cli.stdout.toString().split('\n');
    for (const r of rows) {
      const line = table.find((l) => l.trimStart().startsWith(r.check));
      for (const cell of r.cells.slice(2, 5)) assert.ok(line.includes(cell), `${r.check}: ${cell} | ${line}`);
    }
    assert.deepEqual(rows[1].cells.slice(0, 2), ['MPPT 下限', '75 °C のアレイ Vmp']);
    assert.equal(rows[1].cells[5], '不適合');
    assert.equal(rows[1].colour, 'rgb(200, 0, 0)');
    assert.equal(rows[4].cells[5], '超過 (出力制限)');
    assert.match(await page.textContent('#window-verdict'), /^パワコン入力範囲 \(結果ファイルの配線\): 不適合 — MPPT 下限、短絡電流/);
    assert.match(await page.textContent('#window-heading'), /Example 10 kW/);
    assert.equal(await page.locator('#window-chart canvas').count(), 1);
    const json = await saveDownload(() => page.click('#save-json'));
    assert.ok(json.bytes.equals(cli.assessment), 'assessment JSON with the inverter window differs from the CLI');
    await page.locator('#inverter-window').screenshot({ path: path.join(shots, 'inverter-window.png') });

    // The printed plan carries the window.
    const pdf = path.join(work, 'plan-window.pdf');
    await page.pdf({ path: pdf, format: 'A4', printBackground: true });
    const text = spawnSync('pdftotext', ['-layout', pdf, '-'], { encoding: 'utf8' }).stdout;
    assert.match(text, /パワコン入力範囲/);
    assert.match(text, /MPPT 下限/);

    // A bad profile: the core's reason, the page stays usable.
    const bad = listFile('bad-profile.json', Buffer.from('{"mppt_min_v": 800, "mppt_max_v": 200}'));
    await page.setInputFiles('#inverter-file', bad);
    const reason = runCli(exampleList, 'modules.csv', 10, 6, 'x', ['--assess', '--inverter=bad-profile.json'],
      { 'bad-profile.json': fs.readFileSync(bad) }).stderr.toString().replace(/^voltrigg-cli: /, '').trim();
    await page.waitForFunction((text) => document.getElementById('inverter-status').textContent === text,
      `パワコンのプロファイルを使えません: ${reason}`);
    assert.equal(await page.textContent('#assess-text'), `パワコンのプロファイルを使えません: ${reason}`);
    assert.equal(await page.isDisabled('#save-json'), true);
    // A file far too large is not read at all.
    await page.setInputFiles('#inverter-file', listFile('huge.json', Buffer.alloc(5 * 1024 * 1024, 0x20)));
    await page.waitForFunction(() => document.getElementById('inverter-status').textContent ===
      'パワコンのプロファイルが大きすぎます (5.0 MiB、4 MiB まで): huge.json');
    // Taken off, the assessment runs again without it, and so do runs.
    await page.setInputFiles('#inverter-file', path.join(profileDir, 'inverter_string_20k.json'));
    await assessedWith('Example 20 kW');
    assert.equal(await page.textContent('#inverter-status'), '');
    assert.match(await page.textContent('#window-verdict'), /: 適合$/);
    await page.click('#inverter-clear');
    await assessedWith('プロファイルなし');
    assert.match(await page.textContent('#window-verdict'), /プロファイルなし/);
    await page.fill('#t-hot', '70');
    t.diagnostic('inverter window shown, saved and printed');
  });

  it('keeps long serial numbers inside their boxes in the picture, wrapped or drawn narrower', async () => {
    const serials = ['KV300-2401147', 'LONG-SERIAL-NUMBER-0123456789-ABCDEFG', 'シリアル番号-長い-0001', 'X'];
    const rows = ['No,S/N,Pmax,Vpm,Ipm,Voc,Isc'];
    for (let k = 1; k <= 8; ++k) {
      rows.push(`${k},${serials[k % 4]}-${k},300,${(32 + k / 10).toFixed(2)},${(9 + k / 100).toFixed(3)},40,9.7`);
    }
    await fillRun(listFile('long.csv', Buffer.from(rows.join('\r\n') + '\r\n')), 4, 2, 'long-plan');
    await page.click('#run');
    await messageIs('計算が終了しました');
    const boxes = await page.$$eval('#picture g.module', (gs) => gs.map((g) => {
      const plain = (r) => ({ x: r.x, y: r.y, width: r.width, height: r.height });
      return {
        box: plain(g.querySelector('rect').getBBox()),
        lines: [...g.querySelectorAll('text.serial')].map((t) => ({ text: t.textContent, box: plain(t.getBBox()) })),
      };
    }));
    assert.equal(boxes.length, 8);
    for (const { box, lines } of boxes) {
      const serial = lines.map((l) => l.text).join('');
      assert.ok(serials.some((s) => serial.startsWith(s)), `the whole serial: ${serial}`);
      for (const l of lines) {
        assert.ok(l.box.x >= box.x && l.box.x + l.box.width <= box.x + box.width + 0.5, `${l.text} passes its box`);
        assert.ok(l.box.y >= box.y && l.box.y + l.box.height <= box.y + box.height + 0.5, `${l.text} below its box`);
      }
    }
  });

  it('takes a dropped list', async () => {
    await page.evaluate((bytes) => {
      const file = new File([new Uint8Array(bytes)], 'dropped.csv', { type: 'text/csv' });
      const data = new DataTransfer();
      data.items.add(file);
      document.dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true, cancelable: true }));
    }, [...exampleList]);
    await page.waitForFunction(() => document.getElementById('list-name').textContent === 'dropped.csv');
    await fillRun(null, 10, 6, 'dropped-result');
    await page.click('#run');
    await messageIs('計算が終了しました');
    const result = await saveDownload(() => page.click('#save-result'));
    assert.ok(result.bytes.equals(runCli(exampleList, 'dropped.csv', 10, 6, 'dropped-result').result));
  });

  it('made no network request and raised no script error', (t) => {
    assert.deepEqual(refused, []);
    assert.deepEqual(errors, []);
    t.diagnostic(`voltrigg.html ${(fs.statSync(pagePath).size / 1048576).toFixed(2)} MiB`);
    assert.ok(fs.statSync(pagePath).size <= 3 * 1024 * 1024, 'voltrigg.html above 3 MB');
  });
});
