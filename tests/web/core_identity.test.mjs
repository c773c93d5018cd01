// The WebAssembly core against voltrigg-cli: for every list of the corpus the
// same outcome, the same messages byte for byte and the same result file byte
// for byte; for a set of completed runs the same assessment JSON.
//   node --test tests/web/core_identity.test.mjs
import assert from 'node:assert/strict';
import { before, describe, it } from 'node:test';

import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

import {
  assessConditions,
  cliMessages,
  cliPath,
  defaultConditions,
  generatedList,
  loadCore,
  repo,
  runCli,
  seededRandom,
} from './support.mjs';

const CRLF = '\r\n';
const enc = (text) => Buffer.from(text, 'latin1');

// A generated list as header and rows of fields (all ASCII).
function splitList(bytes) {
  const lines = bytes.toString('latin1').split(CRLF).filter((l) => l.length > 0);
  return { header: lines[0], rows: lines.slice(1).map((l) => l.split(',')) };
}
const joinList = (header, rows, eol = CRLF) => enc([header, ...rows.map((r) => r.join(','))].join(eol) + eol);

// Lists of every shape a user meets: valid arrays of any S and P, lists full
// of equal values, the four checks and the lower bounds, bad count texts,
// malformed and hostile lists, output names the run must refuse.
function buildCorpus() {
  const cases = [];
  const add = (name, list, series, parallel, output = 'result', listName = 'modules.csv') =>
    cases.push({ name, list, series: String(series), parallel: String(parallel), output, listName });

  // Valid arrays, S 1..20 and P 1..100 with N up to 1000.
  const rand = seededRandom(20);
  for (let i = 0; i < 330; ++i) {
    const series = i < 20 ? i + 1 : rand.int(1, 20);
    const parallel = i === 0 ? 100 : rand.int(1, Math.min(100, Math.floor(1000 / series)));
    add(`valid S${series} P${parallel} seed ${i}`, generatedList(series * parallel, 1000 + i), series, parallel);
  }
  add('the largest array, S 20 P 50', generatedList(1000, 7), 20, 50);
  add('S 10 P 100', generatedList(1000, 8), 10, 100);

  // Ties: values rounded to a few levels, rows repeated, equal currents.
  for (let i = 0; i < 60; ++i) {
    const series = rand.int(2, 12);
    const parallel = rand.int(2, 40);
    const { header, rows } = splitList(generatedList(series * parallel, 2000 + i));
    const step = rand.pick(['0.1', '0.5', '1']);
    for (const r of rows) {
      r[4] = (Math.round(Number(r[4]) / Number(step)) * Number(step)).toFixed(3);
      if (i % 3 === 0) r[3] = (Math.round(Number(r[3]))).toFixed(2);
    }
    if (i % 4 === 0) for (let k = 1; k < rows.length; k += 2) rows[k] = [String(k + 1), ...rows[k - 1].slice(1)];
    add(`ties ${i}`, joinList(header, rows), series, parallel);
  }
  const sameRows = Array.from({ length: 40 }, (_, k) => [String(k + 1), `SAME-${k}`, '300', '32.5', '9.2', '40', '9.7']);
  add('forty identical modules', joinList('No,S/N,Pmax,Vpm,Ipm,Voc,Isc', sameRows), 8, 5);

  // The checks, in their order, and the lower bounds.
  const list60 = generatedList(60, 3);
  add('N is not P x S', list60, 7, 9);
  add('N is not P x S though P is above 100', generatedList(500, 4), 10, 101);
  add('N above 1000', generatedList(1200, 5), 20, 60);
  add('P above 100', generatedList(202, 6), 2, 101);
  add('S above 20', generatedList(210, 9), 21, 10);
  add('S 0 with the header alone', enc('a,b,c,d,e,f,g\r\n'), 0, 5);
  add('P 0 with the header alone', enc('a,b,c,d,e,f,g\r\n'), 5, 0);
  add('negative counts', list60, -6, -10);
  add('empty file', enc(''), 1, 1);
  add('P x S beyond 16 bits', list60, 200, 200);
  for (let i = 0; i < 30; ++i) {
    const n = rand.int(1, 300);
    add(`wrong count ${i}`, generatedList(n, 3000 + i), rand.int(1, 25), rand.int(1, 120));
  }

  // Count texts as the window's boxes take them.
  for (const [s, p] of [
    [' 12.5', '4'], ['13.5', '4'], ['10', ' 6 '], ['abc', '6'], [' ', '6'], ['10', '  '], ['1e1', '6'],
    ['+10', '6'], ['１０', '6'], ['40000', '1'], ['10', '-0'], ['0x0A', '6'], ['10', '6.4999'], ['9.5', '6'],
    ['10.5', '6'], ['1e400', '1'], ['1e-400', '6'], ['10,0', '6'], ['	10', '6'], ['10', '6e0'],
  ]) {
    add(`count texts "${s}" "${p}"`, list60, s, p);
  }

  // Malformed and hostile lists.
  const base = splitList(generatedList(12, 11));
  const rowsOf = () => base.rows.map((r) => [...r]);
  const malformed = (name, list, series = 3, parallel = 4) => add(`malformed: ${name}`, list, series, parallel);
  malformed('ends inside a row', enc(joinList(base.header, rowsOf()).toString('latin1').slice(0, -12)));
  malformed('a row one field short', joinList(base.header, rowsOf().map((r, k) => (k === 5 ? r.slice(0, 6) : r))));
  malformed('text in Ipm', joinList(base.header, rowsOf().map((r, k) => (k === 2 ? [...r.slice(0, 4), 'x9.1', ...r.slice(5)] : r))));
  malformed('unclosed quote', enc(joinList(base.header, rowsOf()).toString('latin1').replace(',VT', ',"VT')));
  malformed('text after a closing quote', enc(joinList(base.header, rowsOf()).toString('latin1').replace(/,(VT[^,]*),/, ',"$1"x,')));
  malformed('NUL byte', Buffer.concat([joinList(base.header, rowsOf().slice(0, 6)), Buffer.from([0]), joinList('', rowsOf().slice(6)).subarray(2)]));
  malformed('header alone', enc(`${base.header}\r\n`), 0, 0);
  malformed('header of six fields', joinList('a,b,c,d,e,f', rowsOf()));
  malformed('LF line ends', joinList(base.header, rowsOf(), '\n'));
  malformed('trailing empty lines', enc(joinList(base.header, rowsOf()).toString('latin1') + '\r\n\r\n'));
  malformed('quoted serials with commas', joinList(base.header, rowsOf().map((r) => [r[0], `"${r[1]},x"`, ...r.slice(2)])));
  malformed('empty serials and empty numbers', joinList(base.header, rowsOf().map((r, k) => (k % 3 === 0 ? [r[0], '', r[2], r[3], r[4], '', ''] : r))));
  malformed('Pmax too large for a float', joinList(base.header, rowsOf().map((r, k) => (k === 1 ? [r[0], r[1], '1e39', ...r.slice(3)] : r))));
  malformed('Vpm too small for a float', joinList(base.header, rowsOf().map((r, k) => (k === 1 ? [r[0], r[1], r[2], '1e-46', ...r.slice(4)] : r))));
  malformed('subnormal Ipm', joinList(base.header, rowsOf().map((r, k) => (k === 4 ? [...r.slice(0, 4), '1e-40', ...r.slice(5)] : r))));
  malformed('huge Vpm everywhere', joinList(base.header, rowsOf().map((r) => [r[0], r[1], r[2], '3.4e38', ...r.slice(4)])));
  malformed('Shift-JIS serial numbers', Buffer.concat([
    enc(`${base.header}\r\n`),
    ...rowsOf().map((r, k) => Buffer.concat([enc(`${r[0]},`), Buffer.from([0x83, 0x82, 0x83, 0x6a, 0x83, 0x5e]), enc(`-${k},${r.slice(2).join(',')}\r\n`)])),
  ]));
  malformed('UTF-8 byte order mark', Buffer.concat([Buffer.from([0xef, 0xbb, 0xbf]), joinList(base.header, rowsOf())]));
  malformed('module number 0', joinList(base.header, rowsOf().map((r, k) => (k === 11 ? ['0', ...r.slice(1)] : r))));
  malformed('negative and zero Vpm', joinList(base.header, rowsOf().map((r, k) => (k < 3 ? [r[0], r[1], r[2], k === 0 ? '-5' : '0', ...r.slice(4)] : r))));
  malformed('exponents and plus signs', joinList(base.header, rowsOf().map((r) => [r[0], r[1], `+${r[2]}`, `${r[3]}e0`, `0${r[4]}E+0`, r[5], r[6]])));
  malformed('a field of 70 KiB', joinList(base.header, rowsOf().map((r, k) => (k === 3 ? [r[0], 'x'.repeat(70000), ...r.slice(2)] : r))));
  malformed('binary bytes', Buffer.from(Array.from({ length: 3000 }, (_, k) => (k * 37 + 11) % 256 || 1)));
  malformed('2002 data rows', generatedList(2001, 12).length && Buffer.concat([generatedList(2001, 12), enc('2002,X,1,1,1,1,1\r\n')]), 20, 50);
  malformed('2001 data rows', generatedList(2001, 13), 20, 50);
  malformed('a quote inside a serial', joinList(base.header, rowsOf().map((r, k) => (k === 0 ? [r[0], '"A""B"', ...r.slice(2)] : r))));
  malformed('spaces before fields', joinList(base.header, rowsOf().map((r) => r.map((f) => `  ${f}`))));
  malformed('CR alone as line end', joinList(base.header, rowsOf(), '\r'));
  for (let i = 0; i < 30; ++i) {
    // Truncated at every kind of place.
    const whole = joinList(base.header, rowsOf());
    malformed(`cut at byte ${i * 29}`, whole.subarray(0, i * 29));
  }

  // Output names.
  add('output named like the list', list60, 10, 6, 'modules');
  add('output ./ named like the list', list60, 10, 6, './modules');
  add('empty output name', list60, 10, 6, '');
  add('output in a missing folder', list60, 10, 6, 'nofolder/result');
  add('output name ending in a separator', list60, 10, 6, 'result/');
  add('output name with .csv', list60, 10, 6, 'result.csv');
  add('output name in Japanese', list60, 10, 6, '結果');
  add('list name in Japanese', list60, 10, 6, 'result', 'モジュール.csv');
  add('list name with spaces', list60, 10, 6, 'result', 'my modules.csv');
  return cases;
}

const toBuffers = (messages) => messages.map((m) => Buffer.from(m));

// What voltrigg-cli prints to stderr for a planning run, from the core's
// answer: a failure's messages, a failed check's figures, the list's warnings.
function stderrOf(web) {
  const lines = web.outcome === 'completed' ? [] : toBuffers(web.messages);
  if (web.check_facts) lines.push(Buffer.from(web.check_facts));
  if (web.plant_hint) lines.push(Buffer.from(web.plant_hint));
  for (const w of web.list_warnings ?? []) lines.push(Buffer.from(`警告: ${w}`));
  return lines;
}

// The exact decimal text of a double (every digit), by BigInt arithmetic.
function exactDecimal(x) {
  const view = new DataView(new ArrayBuffer(8));
  view.setFloat64(0, x);
  const bits = view.getBigUint64(0);
  const negative = bits >> 63n === 1n;
  const exponentBits = Number((bits >> 52n) & 0x7ffn);
  let mantissa = bits & ((1n << 52n) - 1n);
  let exponent = exponentBits - 1075;
  if (exponentBits === 0) exponent = -1074;
  else mantissa |= 1n << 52n;
  let text;
  if (exponent >= 0) {
    text = (mantissa << BigInt(exponent)).toString();
  } else {
    const digits = (mantissa * 5n ** BigInt(-exponent)).toString().padStart(-exponent + 1, '0');
    text = `${digits.slice(0, digits.length + exponent)}.${digits.slice(digits.length + exponent)}`;
  }
  return (negative ? '-' : '') + text;
}

// Lists whose Vpm and Ipm are hard number texts for a reader and a writer:
// values across the whole float range (subnormal to near the largest), long
// mantissas, and the exact decimals of midpoints between two floats (ties).
function numberEdgeLists() {
  const rand = seededRandom(99);
  const f32 = new Float32Array(1);
  const u32 = new Uint32Array(f32.buffer);
  const lists = [];
  for (let l = 0; l < 24; ++l) {
    const rows = [];
    // Odd lists stay from 1e-20 to 1e15, so that the run completes and writes every value.
    const [lowBits, highBits] = l % 2 === 1 ? [0x1e3ce508, 0x58635fa9] : [0x00000001, 0x7f7fffff];
    const [lowExp, highExp] = l % 2 === 1 ? [-20, 14] : [-45, 38];
    for (let k = 1; k <= 40; ++k) {
      const value = () => {
        const kind = (l + k) % 4;
        if (kind === 0) {
          // a random float, written with 9 significant digits
          u32[0] = rand.int(lowBits, highBits);
          return f32[0].toPrecision(9);
        }
        if (kind === 1) {
          // a random decimal with up to 20 digits and an exponent from -45 to 38
          const digits = Array.from({ length: rand.int(1, 20) }, () => rand.int(0, 9)).join('');
          return `${digits[0]}.${digits.slice(1)}e${rand.int(lowExp, highExp)}`;
        }
        // the exact midpoint between a float and the next, or a plain value near 30 or 9
        u32[0] = kind === 2 ? rand.int(Math.max(lowBits, 0x00800000), Math.min(highBits, 0x7f000000))
          : rand.int(0x41c00000, 0x42000000);
        const low = f32[0];
        u32[0] += 1;
        return kind === 2 ? exactDecimal((low + f32[0]) / 2) : String(low);
      };
      rows.push([String(k), `E-${k}`, '300', value(), value(), '40', '9.7']);
    }
    lists.push(joinList('No,S/N,Pmax,Vpm,Ipm,Voc,Isc', rows));
  }
  return lists;
}

describe('the WebAssembly core gives what voltrigg-cli gives', () => {
  let core;
  let corpus;
  before(async () => {
    core = await loadCore();
    corpus = buildCorpus();
  });

  it('on at least 500 lists: outcome, messages and result file byte for byte', () => {
    assert.ok(corpus.length >= 500, `corpus of ${corpus.length}`);
    const outcomes = { 0: 0, 1: 0, 2: 0 };
    for (const c of corpus) {
      const cli = runCli(c.list, c.listName, c.series, c.parallel, c.output);
      const web = core.run(c.list, c.listName, c.series, c.parallel, c.output, defaultConditions);
      assert.equal(web.exit_status, cli.status, `${c.name}: exit status (cli stderr: ${cli.stderr})`);
      outcomes[cli.status] += 1;
      if (cli.status === 0) {
        assert.ok(cli.result, `${c.name}: the CLI wrote a result`);
        assert.ok(Buffer.from(web.result_file).equals(cli.result), `${c.name}: result file differs`);
        assert.equal(cli.stdout.toString().split('\n')[0], Buffer.from(web.messages[0]).toString());
        assert.equal(web.messages.length, 1, c.name);
      } else {
        assert.equal(web.result_file, undefined, `${c.name}: no result after a failure`);
      }
      assert.deepEqual(stderrOf(web), cliMessages(cli.stderr), `${c.name}: messages`);
    }
    // The corpus reaches every outcome in numbers.
    assert.ok(outcomes[0] >= 350 && outcomes[1] >= 30 && outcomes[2] >= 40, JSON.stringify(outcomes));
  });

  it('reads and writes number texts at the edges of float as voltrigg-cli does', () => {
    let completed = 0;
    numberEdgeLists().forEach((list, k) => {
      // Every module's Vpm and Ipm appear in the result file.
      const cli = runCli(list, 'edges.csv', 20, 2, 'result');
      const web = core.run(list, 'edges.csv', '20', '2', 'result', defaultConditions);
      assert.equal(web.exit_status, cli.status, `list ${k}: ${cli.stderr}`);
      if (cli.status === 0) {
        completed += 1;
        assert.ok(Buffer.from(web.result_file).equals(cli.result), `list ${k}: result file differs`);
      }
      assert.deepEqual(stderrOf(web), cliMessages(cli.stderr), `list ${k}`);
    });
    assert.ok(completed >= 12, `${completed} of the lists completed`);
  });

  it('runs again normally after a failed run, with no trace of the earlier one', () => {
    const good = corpus.find((c) => c.name === 'valid S10 P6 seed 9') ?? corpus[0];
    const first = core.run(good.list, good.listName, good.series, good.parallel, 'a', defaultConditions);
    core.run(Buffer.from('garbage'), 'modules.csv', '1', '1', 'a', defaultConditions);
    core.run(good.list, good.listName, '99', good.parallel, 'a', defaultConditions);
    const again = core.run(good.list, good.listName, good.series, good.parallel, 'a', defaultConditions);
    assert.equal(again.outcome, 'completed');
    assert.ok(Buffer.from(again.result_file).equals(Buffer.from(first.result_file)));
  });

  it('reads back its result: rows in string order, figures as written', () => {
    const list = generatedList(60, 3);
    const web = core.run(list, 'modules.csv', '10', '6', 'result', defaultConditions);
    const r = web.result;
    assert.equal(r.series, 10);
    assert.equal(r.parallel, 6);
    assert.equal(r.rows.string_no.length, 60);
    assert.deepEqual([...r.rows.string_no.slice(9, 11)], [1, 2]);
    assert.deepEqual([...r.rows.position.slice(9, 11)], [10, 1]);
    const text = Buffer.from(web.result_file).toString('latin1');
    // The figures as float values, as the result file's texts read back.
    const line8 = text.split('\r\n')[7].split(',');
    assert.equal(r.rows.vpm_v[0], Math.fround(Number(line8[3])));
    assert.equal(r.rows.serials.split('\0')[0], line8[2].replaceAll('"', ''));
    assert.ok(text.startsWith('"Input Filename=","modules.csv"\r\n'));
  });
});

// Numbers of two JSON texts within `relative` of each other (or 1e-10 apart:
// the mismatch loss is a small difference of large figures), all else equal.
function assertCloseJson(a, b, relative, where) {
  if (typeof a === 'number' && typeof b === 'number') {
    const allowed = Math.max(relative * Math.max(Math.abs(a), Math.abs(b)), 1e-10);
    assert.ok(Math.abs(a - b) <= allowed, `${where}: ${a} vs ${b}`);
    return;
  }
  if (a === null || typeof a !== 'object') {
    assert.equal(a, b, where);
    return;
  }
  assert.deepEqual(Object.keys(a), Object.keys(b), where);
  for (const key of Object.keys(a)) assertCloseJson(a[key], b[key], relative, `${where}.${key}`);
}

describe('the WebAssembly assessment gives voltrigg-cli --assess JSON', () => {
  // The curves use exp, log, expm1 and log1p. glibc picks its FMA or plain
  // variants of them by processor, and they differ from each other (and
  // from musl's, which the WebAssembly build has) in the last bit of about
  // one result in a thousand, so voltrigg-cli itself writes slightly
  // different files on different processors. Every run must have the same
  // wirings and figures within 1e-12; at least 20 must be identical byte for byte.
  it('on 36 completed runs: at least 20 byte for byte, the rest within the last bits', async (t) => {
    const core = await loadCore();
    const rand = seededRandom(7);
    const shapes = [[10, 6], [20, 50], [1, 1], [2, 1], [1, 30], [20, 1]];
    while (shapes.length < 36) {
      const series = rand.int(2, 20);
      shapes.push([series, rand.int(2, Math.min(40, Math.floor(1000 / series)))]);
    }
    const cold = { tmin_c: '-25', voc_coefficient_pct_per_k: '-0.28', max_system_voltage_v: '600' };
    const conditions = [{}, cold, {}, cold, {}, { extras: 'isc,voc' }];
    let identical = 0;
    shapes.forEach(([series, parallel], k) => {
      const list = generatedList(series * parallel, 5000 + k);
      const cond = { ...assessConditions, ...conditions[k % conditions.length] };
      const args = ['--assess', `--tmin=${cond.tmin_c}`, `--voc-coefficient=${cond.voc_coefficient_pct_per_k}`,
        `--max-system-voltage=${cond.max_system_voltage_v}`, `--extras=${cond.extras}`];
      const cli = runCli(list, 'modules.csv', series, parallel, 'result', args, {}, 'C');
      const web = core.run(list, 'modules.csv', String(series), String(parallel), 'result', cond);
      const where = `S${series} P${parallel}`;
      if (cli.assessment === null) {
        // No assessment (the columns swapped give no curve): the same problems.
        assert.equal(web.assessment, undefined, where);
        const problems = cliMessages(cli.stderr).map((m) => m.toString()).filter((m) => m.startsWith('assessment: '));
        assert.deepEqual(web.assessment_problems.map((p) => `assessment: ${p}`), problems, where);
        return;
      }
      const webJson = Buffer.from(web.assessment.json);
      if (webJson.equals(cli.assessment)) {
        identical += 1;
      } else {
        assertCloseJson(JSON.parse(webJson.toString()), JSON.parse(cli.assessment.toString()), 1e-12, where);
      }
    });
    t.diagnostic(`${identical} assessment files identical byte for byte`);
    assert.ok(identical >= 20, `${identical} of ${shapes.length} identical`);
  });

  it('decodes Shift-JIS serial numbers as voltrigg-cli does', async () => {
    const core = await loadCore();
    const { header, rows } = splitList(generatedList(60, 77));
    const sjis = Buffer.from([0x83, 0x82, 0x83, 0x6a, 0x83, 0x5e]); // "モニタ"
    const list = Buffer.concat([enc(`${header}\r\n`), ...rows.map((r, k) =>
      Buffer.concat([enc(`${r[0]},`), sjis, enc(`-${k},${r.slice(2).join(',')}\r\n`)]))]);
    const cli = runCli(list, 'modules.csv', 10, 6, 'result', ['--assess']);
    const web = core.run(list, 'modules.csv', '10', '6', 'result', assessConditions);
    assert.ok(Buffer.from(web.result_file).equals(cli.result));
    assert.ok(Buffer.from(web.assessment.json).equals(cli.assessment));
    assert.ok(Buffer.from(web.assessment.json).toString().includes('"serial": "モニタ-0"'));
    assert.equal(web.result.rows.serials.split('\0').filter((serial) => serial.startsWith('モニタ-')).length, 60);
  });

  it('builds the form from the option table voltrigg-cli and voltrigg-view take their options from', async () => {
    const core = await loadCore();
    const help = spawnSync(cliPath, ['--help'], { env: { ...process.env, LC_ALL: 'C' } }).stdout.toString()
      .replace(/\s+/g, ' ');
    const rows = core.optionTable('en');
    assert.deepEqual(rows.map((r) => r.key), ['tmin', 'voc-coefficient', 'max-system-voltage', 't-cold-operating',
      't-hot', 'isc-coefficient', 'isc-factor', 'extras']);
    for (const row of rows) {
      // The same option, with the same help: its range and its default.
      assert.ok(help.includes(`--${row.key} `), row.key);
      assert.ok(help.includes(row.help), `${row.key}: ${row.help}`);
      if (row.kind === 'number') assert.ok(row.help.includes(`default ${row.default}`), row.help);
      // What the page sends by the row's member is what the core reads.
      const fault = core.checkAssessOptions({ ...assessConditions, [row.member]: 'x' });
      assert.ok(fault.startsWith(row.kind === 'number' ? `${row.label} must be a number` : `${row.label} must be`),
        `${row.member}: ${fault}`);
    }
    const ja = core.optionTable('ja');
    assert.deepEqual(ja.map((r) => r.label).slice(0, 3), ['最低セル温度 [°C]', 'Voc の温度係数 [%/K]', '最大システム電圧 [V]']);
    assert.deepEqual(ja.map((r) => r.default), rows.map((r) => r.default));
  });

  it("refuses the conditions voltrigg-cli refuses, in the page's words, before any run", async () => {
    const core = await loadCore();
    const list = generatedList(60, 3);
    for (const bad of [{ tmin_c: '-61' }, { tmin_c: 'abc' }, { voc_coefficient_pct_per_k: '0.3' },
      { max_system_voltage_v: '0' }, { max_system_voltage_v: 'inf' }, { extras: 'voc' }]) {
      const cond = { ...assessConditions, ...bad };
      const key = Object.keys(bad)[0];
      const option = { tmin_c: '--tmin', voc_coefficient_pct_per_k: '--voc-coefficient',
        max_system_voltage_v: '--max-system-voltage', extras: '--extras' }[key];
      const cli = runCli(list, 'modules.csv', 10, 6, 'result', ['--assess', `${option}=${bad[key]}`]);
      assert.equal(cli.status, 64, `${key}=${bad[key]}: ${cli.stderr}`);
      assert.equal(cli.result, null);
      const web = core.run(list, 'modules.csv', '10', '6', 'result', cond);
      assert.equal(web.outcome, 'refused', `${key}=${bad[key]}`);
      assert.equal(web.result_file, undefined);
      assert.ok(web.condition_fault.length > 0);
      assert.equal(core.checkAssessOptions({ ...cond, language: 'ja' }), core.run(list, 'm.csv', '10', '6', 'r',
        { ...cond, language: 'ja' }).condition_fault);
    }
    assert.equal(core.checkAssessOptions(assessConditions), '');
  });

  it('hands over the first part before the optimiser, the same figures as the whole', async () => {
    const core = await loadCore();
    const list = generatedList(200, 21);
    const parts = [];
    const web = core.run(list, 'modules.csv', '20', '10', 'result', { ...assessConditions, first_part: (p) => parts.push(p) });
    assert.equal(parts.length, 1);
    const [first] = parts;
    assert.deepEqual(first.estimated, web.assessment.estimated);
    assert.deepEqual(first.voltage_check, web.assessment.voltage_check);
    assert.equal(first.optimized, undefined);
    const plain = core.run(list, 'modules.csv', '20', '10', 'result', assessConditions);
    assert.ok(Buffer.from(plain.assessment.json).equals(Buffer.from(web.assessment.json)));
  });

  it('tells how far the optimiser and random wiring have come, in order, to 100 %, and changes no byte', async () => {
    const core = await loadCore();
    for (const [series, parallel] of [[20, 50], [10, 6], [1, 1]]) {
      const list = generatedList(series * parallel, 31);
      const steps = [];
      let firstPartAt = -1;
      const told = core.run(list, 'modules.csv', String(series), String(parallel), 'result',
        { ...assessConditions, first_part: () => { firstPartAt = steps.length; }, progress: (p) => steps.push(p) });
      const plain = core.run(list, 'modules.csv', String(series), String(parallel), 'result', assessConditions);
      const where = `S${series} P${parallel}`;
      assert.ok(Buffer.from(told.assessment.json).equals(Buffer.from(plain.assessment.json)), where);
      assert.ok(Buffer.from(told.assessment.json).equals(runCli(list, 'modules.csv', series, parallel, 'result',
        ['--assess']).assessment), `${where}: the CLI's file`);
      assert.equal(firstPartAt, 0, `${where}: the first part comes before any progress`);
      assert.ok(steps.length >= 100, `${where}: ${steps.length} steps`);
      for (let k = 1; k < steps.length; ++k) {
        assert.ok(steps[k].percent > steps[k - 1].percent, `${where}: step ${k} ${steps[k].percent} after ${steps[k - 1].percent}`);
        assert.ok(steps[k].searches_done >= steps[k - 1].searches_done && steps[k].random_done >= steps[k - 1].random_done);
      }
      assert.deepEqual(steps.at(-1), { percent: 100, searches_done: steps.at(-1).searches_total,
        searches_total: steps.at(-1).searches_total, random_done: 100, random_total: 100 }, where);
      assert.ok(steps.at(-1).searches_total >= 1);
    }
  });

  it('checks lists against inverter profiles as voltrigg-cli --inverter does, under its window options', async (t) => {
    const core = await loadCore();
    const example = (name) => fs.readFileSync(path.join(repo, 'examples', name));
    const profiles = {
      'inverter_string_20k.json': example('inverter_string_20k.json'),
      'inverter_string_10k.json': example('inverter_string_10k.json'),
      'inverter_central_100k.json': example('inverter_central_100k.json'),
      // Limits missing or null, an MPPT minimum of 0, a name in Japanese.
      'partial.json': Buffer.from('{"name": "部分的なパワコン", "mppt_min_v": 0, "mppt_max_v": 900, "max_input_current_a": null}'),
      'one-limit.json': Buffer.from('{"max_dc_voltage_v": 1500}'),
    };
    const window = [
      {},
      { t_cold_operating_c: '5', t_hot_c: '80', isc_coefficient_pct_per_k: '0.06', isc_factor: '1.5' },
      { tmin_c: '-25', t_cold_operating_c: '-5', t_hot_c: '60', isc_factor: '2' },
    ];
    const options = { t_cold_operating_c: '--t-cold-operating', t_hot_c: '--t-hot',
      isc_coefficient_pct_per_k: '--isc-coefficient', isc_factor: '--isc-factor', tmin_c: '--tmin' };
    const shapes = [[10, 6], [20, 10], [5, 4], [16, 30], [1, 1], [12, 8]];
    let identical = 0;
    let runs = 0;
    let failed = 0;
    Object.entries(profiles).forEach(([name, bytes], p) => {
      shapes.forEach(([series, parallel], k) => {
        const extra = window[(p + k) % window.length];
        const list = generatedList(series * parallel, 7000 + 10 * p + k);
        const args = ['--assess', `--inverter=${name}`, ...Object.entries(extra).map(([key, v]) => `${options[key]}=${v}`)];
        // The CLI's table in English, whose rows start with the checks' keys.
        const cli = runCli(list, 'modules.csv', series, parallel, 'result', args, { [name]: bytes }, 'C');
        const web = core.run(list, 'modules.csv', String(series), String(parallel), 'result',
          { ...assessConditions, ...extra, inverter: { name, bytes } });
        const where = `${name} S${series} P${parallel}`;
        assert.equal(cli.status, 0, `${where}: ${cli.stderr}`);
        assert.equal(web.outcome, 'completed', where);
        runs += 1;
        const webJson = Buffer.from(web.assessment.json);
        const parsed = JSON.parse(cli.assessment.toString());
        assert.ok(parsed.inverter_window.inverter, where);
        if (parsed.inverter_window.ok === false) failed += 1;
        if (webJson.equals(cli.assessment)) identical += 1;
        else assertCloseJson(JSON.parse(webJson.toString()), parsed, 1e-12, where);
        // The rows the page shows are the ones voltrigg-cli prints: value, limit, margin.
        const w = web.assessment.inverter_window;
        assert.equal(w.rows.length, 5, where);
        const table = cli.stdout.toString();
        for (const r of w.rows) {
          const line = table.split('\n').find((l) => l.trimStart().startsWith(r.check));
          assert.ok(line, `${where}: ${r.check} in the CLI's table`);
          for (const cell of [r.value, r.limit, r.margin]) assert.ok(line.includes(cell), `${where}: ${r.check} ${cell} | ${line}`);
        }
        assert.equal(w.ok, parsed.inverter_window.ok, where);
        assert.equal(w.curves.length, 3, where);
      });
    });
    t.diagnostic(`${identical} of ${runs} assessment files identical byte for byte, ${failed} windows that fail`);
    assert.ok(identical >= runs * 0.5, `${identical} of ${runs} identical`);
    assert.ok(failed >= 3 && failed < runs, `${failed} of ${runs} windows fail: both verdicts are covered`);
  });

  it('refuses each bad inverter profile with the reason voltrigg-cli gives, and runs normally afterwards', async () => {
    const core = await loadCore();
    const list = generatedList(60, 3);
    const bad = {
      'not-json.json': '{"name": "x", "mppt_min_v": }',
      'array.json': '[1, 2]',
      'twice.json': '{"mppt_min_v": 100, "mppt_min_v": 200}',
      'unknown.json': '{"max_voltage": 1000}',
      'text-limit.json': '{"mppt_max_v": "800"}',
      'negative.json': '{"max_dc_voltage_v": -5}',
      'zero-current.json': '{"max_input_current_a": 0}',
      'window-upside-down.json': '{"mppt_min_v": 800, "mppt_max_v": 200}',
      'window-above-dc.json': '{"max_dc_voltage_v": 600, "mppt_max_v": 800}',
      'control-name.json': '{"name": "a\\u0007b"}',
      'huge-number.json': '{"mppt_max_v": 1e999}',
      'too-large.json': `{"name": "${'x'.repeat(70 * 1024)}"}`,
      'empty-file.json': '',
      'モジュール.json': '{"name": 5}',
      // A profile that gives no limit would check nothing.
      'empty.json': '{}',
      'name-only.json': '{"name": "only a name", "mppt_min_v": null}',
    };
    for (const [name, text] of Object.entries(bad)) {
      const bytes = Buffer.from(text);
      const cli = runCli(list, 'modules.csv', 10, 6, 'result', ['--assess', `--inverter=${name}`], { [name]: bytes }, 'C');
      assert.equal(cli.status, 64, `${name}: ${cli.stderr}`);
      assert.equal(cli.result, null, name);
      const reason = cli.stderr.toString().replace(/^voltrigg-cli: /, '').trimEnd();
      const cond = { ...assessConditions, inverter: { name, bytes } };
      const web = core.run(list, 'modules.csv', '10', '6', 'result', cond);
      assert.equal(web.outcome, 'refused', name);
      assert.equal(web.exit_status, 64, name);
      assert.equal(web.result_file, undefined, name);
      assert.equal(web.inverter_fault, reason, name);
      assert.equal(core.checkInverterProfile(cond), reason, name);
    }
    // The conditions are checked first, as voltrigg-cli checks them; the page
    // names a condition by its field's label.
    const both = core.run(list, 'modules.csv', '10', '6', 'result',
      { ...assessConditions, t_hot_c: '101', inverter: { name: 'array.json', bytes: Buffer.from('[]') } });
    assert.equal(both.condition_fault, 'hot temperature [°C] must be a number from -60 to 100 °C, not 101');
    assert.equal(core.checkAssessOptions({ ...assessConditions, language: 'ja', t_hot_c: '101' }),
      '「高温 [°C]」には -60 から 100 °C の数値を指定してください: 101');
    assert.equal(both.inverter_fault, undefined);
    const after = core.run(list, 'modules.csv', '10', '6', 'result', assessConditions);
    assert.equal(after.outcome, 'completed');
    assert.ok(Buffer.from(after.assessment.json).equals(runCli(list, 'modules.csv', 10, 6, 'result', ['--assess']).assessment));
  });
});
