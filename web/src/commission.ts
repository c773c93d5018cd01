// 試運転検査 on the page: a row per string of the result's wiring, the
// measured values typed or pasted, each row checked by the core as it is
// typed (web/binding/commission.cpp: the measurement file's reader and voltrigg-cli
// commission's check, compiled to WebAssembly; nothing is judged here), the
// values kept in the browser's storage as they are typed, the measurement
// file, the commissioning JSON and the blank form saved, a measurement file
// opened to go on with it, and the report printed on A4.
import type { CommissionOptionRow, CommissionOptions, CommissionStart, Core, PageFile, RowCheckValue, RowsCheckValue } from './core';
import { forgetValues, loadValues, saveValues, type TypedValues } from './store';

const $ = <T extends HTMLElement>(id: string) => document.getElementById(id) as T;

// The fields of a row, in the measurement file's column order (the core's TypedField).
export const kFields = [
  { column: 'voc_v', label: 'Voc [V]', kind: 'number' },
  { column: 'isc_a', label: 'Isc [A]', kind: 'number' },
  { column: 'irradiance_w_m2', label: '日射強度 [W/m²]', kind: 'number' },
  { column: 'module_temperature_c', label: 'モジュール温度 [°C]', kind: 'number' },
  { column: 'polarity', label: '極性', kind: 'polarity' },
  { column: 'insulation_pos_mohm', label: '絶縁抵抗 + [MΩ]', kind: 'number' },
  { column: 'insulation_neg_mohm', label: '絶縁抵抗 − [MΩ]', kind: 'number' },
  { column: 'insulation_test_v', label: '絶縁試験電圧 [V]', kind: 'number' },
  { column: 'earth_continuity_ohm', label: '接地導通 [Ω]', kind: 'number' },
  { column: 'note', label: 'メモ', kind: 'text' },
] as const;
const kFieldCount = kFields.length;

const labelOf = (column: string) => kFields.find((f) => f.column === column)?.label ?? column;

// The test items as the report and the rows name them, with their statuses.
const kItems: [string, string][] = [
  ['voc', 'Voc'],
  ['isc', 'Isc'],
  ['polarity', '極性'],
  ['insulation_pos', '絶縁抵抗 +'],
  ['insulation_neg', '絶縁抵抗 −'],
  ['insulation_test_voltage', '絶縁試験電圧'],
  ['earth_continuity', '接地導通'],
];
const kStatusText: Record<string, string> = { pass: '合格', fail: '不合格', measured: '記録', not_measured: '未測定' };

export interface CommissionHost {
  core: Core;
  resultName: string; // result.csv
  listName: string;
  resultBytes: Uint8Array;
  listBytes: Uint8Array;
  shape: string; // "6 ストリング × 10 直列 (60 枚)"
  coefficients(): CommissionOptions; // the assessment's coefficient fields and the extras
  download(bytes: Uint8Array, name: string, type: string): void;
  // The strings that failed, for the array picture.
  markFailed(failed: Set<number>): void;
  // A plant's strings rather than a result's: the plant file (BASE.plant.json)
  // and the lists it was planned from (resultName is the plant file's name).
  plant?: { file: PageFile; lists: PageFile[] };
}

interface State {
  host: CommissionHost;
  key: string;
  start: CommissionStart;
  rows: string[][];
  checks: RowCheckValue[];
  current: number;
}

let state: State | null = null;
let lastHost: CommissionHost | null = null;
let optionRows: CommissionOptionRow[] = [];
const rowUpdateMs: number[] = [];

const baseOf = (resultName: string) => resultName.replace(/(\.plant)?\.json$|\.csv$/i, '');
export const measurementFileName = (resultName: string) => `${baseOf(resultName)}-measured.csv`;
// The name voltrigg-cli gives the commissioning file beside the measurement file.
export const commissioningFileName = (resultName: string) => `${baseOf(resultName)}-measured.commissioning.json`;
export const formFileName = (resultName: string) => `${baseOf(resultName)}-form.csv`;

function el<K extends keyof HTMLElementTagNameMap>(tag: K, props: Partial<HTMLElementTagNameMap[K]> = {},
  ...children: (Node | string)[]): HTMLElementTagNameMap[K] {
  const e = Object.assign(document.createElement(tag), props);
  e.append(...children);
  return e;
}

// A string as the page names it: a plant's by its register name (INVERTER.INPUT.STRING).
function stringLabel(st: { string_no: number; name?: string }): string {
  return st.name ?? `ストリング ${st.string_no}`;
}

function labelOfNo(stringNo: number): string {
  const st = state?.start.strings?.[stringNo - 1];
  return st ? stringLabel(st) : `ストリング ${stringNo}`;
}

function fixedOrDash(value: number | undefined, decimals: number): string {
  return value === undefined || !Number.isFinite(value) ? '—' : value.toFixed(decimals);
}

// The options of the check: the coefficients (the assessment's fields), the
// extras, and the check's own fields (tolerances, insulation minimum, the
// irradiance and module temperature of every row).
function readOptions(): CommissionOptions {
  const out: CommissionOptions = state ? state.host.coefficients() : {};
  for (const row of optionRows) {
    const input = document.getElementById(`c-${row.key}`) as HTMLInputElement | null;
    if (input) out[row.member] = input.value;
  }
  return out;
}

// The check's own fields, from the core's option table.
export function buildCommissionFields(core: Core): void {
  // The conditions of every row first: the crew types them before anything else.
  optionRows = core.commissionOptionTable().sort((a, b) => Number(b.every_row) - Number(a.every_row));
  const fields = optionRows.map((row) => {
    const input = el('input', { id: `c-${row.key}`, value: row.every_row ? '' : row.default, inputMode: 'decimal',
      autocomplete: 'off', title: row.help });
    input.dataset.member = row.member;
    input.addEventListener('input', () => {
      if (state) {
        keepValues();
        showEveryRow();
        recheckAll();
      }
    });
    const label = el('label', { title: row.help }, el('span', {}, row.every_row ? `${row.label} (全ストリング)` : row.label), input);
    return label;
  });
  $('commission-fields').replaceChildren(...fields);
}

function typedValues(): TypedValues {
  const everyRow: Record<string, string> = {};
  for (const row of optionRows) {
    const input = document.getElementById(`c-${row.key}`) as HTMLInputElement | null;
    if (input) everyRow[row.member] = input.value;
  }
  return { rows: state!.rows, every_row: everyRow, current: state!.current, saved_at: new Date().toISOString() };
}

// Every change is written at once; a refusal is said on the page and the
// saving of files is not affected.
function keepValues(): void {
  if (!state) return;
  const outcome = saveValues(state.key, typedValues());
  const status = $('commission-store');
  if (outcome.ok) {
    status.className = 'store-ok';
    status.textContent = `入力した値はこのブラウザに保存されています (${new Date().toLocaleTimeString('ja-JP')})`;
  } else {
    status.className = 'store-failed';
    status.textContent = `入力した値をブラウザに保存できません: ${outcome.reason}。` +
      '「測定ファイルを保存」でファイルに残してください';
  }
}

export function stopCommissioning(): void {
  state = null;
  lastHost = null;
  $('commissioning').hidden = true;
  $('string-rows').replaceChildren();
  $('report').replaceChildren();
}

// No result shown: the section stands below the opening cards, so that a
// plant file and its lists can be opened in it.
export function parkCommissioning(): void {
  stopCommissioning();
  const section = $('commissioning');
  document.querySelector('#array-page > .cards')?.after(section);
  section.hidden = false;
  $('commission-body').hidden = true;
  $('commission-failure').textContent = '';
}

// The files picked to check a plant's strings: the plant file (the one JSON
// object, as the core tells) and its lists; null, with the reason on the
// page, unless there is exactly one plant file and at least one list.
export function plantFilesApart(core: Core, files: PageFile[]): { file: PageFile; lists: PageFile[] } | null {
  const plants = files.filter((f) => core.plantFileKind(f.bytes) === 'plant');
  const lists = files.filter((f) => !plants.includes(f));
  const message = $('plant-open-message');
  message.textContent = plants.length !== 1
    ? `発電所ファイル (.plant.json) を 1 つ選んでください (選ばれた JSON: ${plants.length} 個)`
    : lists.length === 0 ? '発電所の計画に使ったモジュールリストも一緒に選んでください' : '';
  return message.textContent === '' ? { file: plants[0], lists } : null;
}

// Starts the check of the result shown: the session in the core, the rows,
// and what was typed for this result before.
export function startCommissioning(host: CommissionHost): void {
  stopCommissioning();
  const section = $('commissioning');
  section.hidden = false;
  const failure = $('commission-failure');
  const body = $('commission-body');
  const key = host.plant
    ? host.core.plantContentKey(host.plant.file.bytes, host.plant.lists.map((l) => l.bytes))
    : host.core.contentKey(host.resultBytes, host.listBytes);
  const kept = loadValues(key);
  // The check's fields as kept for this result, else as the table gives them:
  // nothing typed for one result shows beside another.
  for (const row of optionRows) {
    const input = document.getElementById(`c-${row.key}`) as HTMLInputElement | null;
    const value = kept?.every_row[row.member];
    if (input) input.value = typeof value === 'string' ? value : row.every_row ? '' : row.default;
  }
  lastHost = host;
  // The coefficients give the form's expected values; the check's own fields are read at each check.
  const start = host.plant
    ? host.core.startPlantCommission(host.plant.file, host.plant.lists, host.coefficients())
    : host.core.startCommission(host.resultName, host.listName, measurementFileName(host.resultName),
      host.coefficients());
  if (!start.ok || !start.strings) {
    failure.textContent = `試運転検査はできません: ${start.failure ?? ''}`;
    body.hidden = true;
    return;
  }
  failure.textContent = '';
  body.hidden = false;
  const count = start.strings.length;
  const rows = Array.from({ length: count }, (_, j) => {
    const row = kept?.rows[j] ?? [];
    return Array.from({ length: kFieldCount }, (_, k) => row[k] ?? '');
  });
  state = { host, key, start, rows, checks: rows.map(() => ({ state: 'empty', missing: [], refusal: '' })),
    current: Math.min(Math.max(kept?.current ?? 0, 0), count - 1) };
  document.body.dataset.commissionKey = key;
  const system = start.system_voltage_v;
  $('commission-plan').textContent = `計画 ${start.plan} (測定ファイルの各行に記入されます) — ` +
    (system !== undefined && Number.isFinite(system)
      ? `システム電圧 ${system.toFixed(0)} V: 絶縁抵抗の試験電圧 ${start.insulation_test_required_v} V 以上`
      : `システム電圧が分からないため、絶縁抵抗の試験電圧は ${start.insulation_test_required_v} V 以上`);
  buildRows();
  recheckAll();
  showCurrent(false);
  $('commission-store').textContent = kept
    ? `この結果の入力済みの値を読み込みました (${new Date(kept.saved_at).toLocaleString('ja-JP')} 保存)`
    : '入力した値は自動でこのブラウザに保存されます';
  $('commission-store').className = 'store-ok';
}


// A row's empty irradiance and temperature show the value typed for every row.
function showEveryRow(): void {
  if (!state) return;
  const options = readOptions();
  for (const st of state.start.strings!) {
    for (const [k, member] of [[2, 'irradiance_w_m2'], [3, 'module_temperature_c']] as const) {
      const input = document.getElementById(fieldId(st.string_no, k)) as HTMLInputElement | null;
      if (input) input.placeholder = options[member] ? `${options[member]} (全)` : '';
    }
  }
}

function fieldId(stringNo: number, k: number): string {
  return `s${stringNo}-${kFields[k].column}`;
}

function buildRows(): void {
  const s = state!;
  const host = $('string-rows');
  const nav = $<HTMLSelectElement>('string-pick');
  nav.replaceChildren(...s.start.strings!.map((st, j) =>
    el('option', { value: String(j), textContent: st.name ? `${st.name} (${j + 1}/${s.start.strings!.length})`
      : `ストリング ${st.string_no}/${s.start.strings!.length}` })));
  const blocks = s.start.strings!.map((st, j) => {
    const block = el('div', { className: 'string-row', id: `string-${st.string_no}` });
    block.dataset.string = String(st.string_no);
    const badge = el('span', { className: 'verdict-badge', id: `verdict-${st.string_no}` }, '未測定');
    const head = el('div', { className: 'row-head' },
      el('strong', { className: 'string-name' }, stringLabel(st)),
      el('span', { className: 'modules' }, `${st.modules} 枚`),
      el('span', { className: 'stc' }, `STC 期待値 Voc ${fixedOrDash(st.voc_stc_v, 2)} V、Isc ${fixedOrDash(st.isc_stc_a, 3)} A`),
      badge);
    const fields = el('div', { className: 'row-fields' });
    kFields.forEach((f, k) => {
      let control: HTMLInputElement | HTMLSelectElement;
      if (f.kind === 'polarity') {
        control = el('select', { title: '極性: 正 (ok) または 逆 (reversed)' }, el('option', { value: '', textContent: '—' }),
          el('option', { value: 'ok', textContent: '正' }), el('option', { value: 'reversed', textContent: '逆' }));
      } else {
        control = el('input', { type: 'text', autocomplete: 'off' });
        if (f.kind === 'number') control.inputMode = 'decimal';
        control.enterKeyHint = 'next';
      }
      control.id = fieldId(st.string_no, k);
      control.dataset.row = String(j);
      control.dataset.field = String(k);
      control.value = s.rows[j][k];
      const label = el('label', { className: `field field-${f.column}` }, el('span', {}, f.label), control);
      fields.append(label);
    });
    const result = el('div', { className: 'row-result', id: `result-${st.string_no}` });
    block.append(head, fields, result);
    return block;
  });
  host.replaceChildren(...blocks);
  buildTable();
  showEveryRow();
}

// The check as one table on a wide screen, with the viewer's columns.
const kTableHeads = ['ストリング', '枚数', '日射強度 [W/m²]', '温度 [°C]', 'Voc 期待値 [V]', 'Voc 測定値 [V]', 'Voc 偏差 [%]',
  'Isc 期待値 [A]', 'Isc 測定値 [A]', 'Isc 偏差 [%]', '判定', '所見'];

function buildTable(): void {
  const s = state!;
  const table = $<HTMLTableElement>('commission-table');
  table.replaceChildren();
  const head = table.createTHead().insertRow();
  for (const h of kTableHeads) head.append(el('th', { textContent: h, scope: 'col' }));
  const body = table.createTBody();
  for (const st of s.start.strings!) {
    const tr = body.insertRow();
    tr.id = `table-${st.string_no}`;
    for (let c = 0; c < kTableHeads.length; ++c) tr.insertCell();
  }
}

function drawTableRow(j: number): void {
  const s = state!;
  const st = s.start.strings![j];
  const tr = document.getElementById(`table-${st.string_no}`) as HTMLTableRowElement | null;
  if (!tr) return;
  const c = s.checks[j];
  const cells = c.string?.cells.slice() ?? [String(st.string_no), String(st.modules), ...Array<string>(8).fill('—'),
    c.state === 'empty' ? '未測定' : c.state === 'incomplete' ? '入力途中' : '入力エラー',
    c.state === 'incomplete' ? `${c.missing.map(labelOf).join('、')} がありません` : c.refusal];
  if (st.name) cells[0] = st.name;
  cells.forEach((text, k) => {
    const td = tr.cells[k];
    td.textContent = k === 11 && c.string ? c.string.findings_with_note : text;
  });
  const verdict = tr.cells[10];
  verdict.className = 'table-verdict';
  verdict.style.color = c.string?.colour ?? (c.state === 'refused' ? '#a00000' : c.state === 'incomplete' ? '#6b4a00' : '#333');
  verdict.style.background = c.string?.background ?? '';
}

// One row typed: kept, checked by the core, its result drawn; the time it
// takes is kept for the tests' figures.
function onInput(e: Event): void {
  const target = e.target as HTMLInputElement | HTMLSelectElement;
  if (!state || target.dataset.row === undefined) return;
  const started = performance.now();
  const j = Number(target.dataset.row);
  const k = Number(target.dataset.field);
  state.rows[j][k] = target.value;
  keepValues();
  checkRow(j);
  updateSummary();
  const elapsed = performance.now() - started;
  rowUpdateMs.push(elapsed);
  document.body.dataset.rowUpdateMs = rowUpdateMs.map((t) => t.toFixed(2)).join(' ');
}

function checkRow(j: number): void {
  const s = state!;
  const stringNo = s.start.strings![j].string_no;
  s.checks[j] = s.host.core.checkRow(stringNo, s.rows[j], readOptions());
  drawRow(j);
  drawTableRow(j);
}

// The check started again for the same result (its modules read anew).
export function restartCommissioning(): void {
  if (lastHost) startCommissioning(lastHost);
}

// The conditions changed: every row checked again, or the check started
// again when the coefficients kept it from starting.
export function recheckCommissioning(): void {
  if (state) recheckAll();
  else if (lastHost) startCommissioning(lastHost);
}

function recheckAll(): void {
  if (!state) return;
  const fault = state.host.core.commissionOptionsFault(readOptions());
  $('commission-options-fault').textContent = fault;
  if (fault !== '') return;
  state.rows.forEach((_, j) => checkRow(j));
  updateSummary();
}

function drawRow(j: number): void {
  const s = state!;
  const stringNo = s.start.strings![j].string_no;
  const c = s.checks[j];
  const badge = $(`verdict-${stringNo}`);
  const result = $(`result-${stringNo}`);
  const block = $(`string-${stringNo}`);
  block.dataset.state = c.state;
  delete block.dataset.verdict;
  badge.style.color = '';
  badge.style.background = '';
  if (c.state === 'empty') {
    badge.textContent = '未測定';
    badge.className = 'verdict-badge not-measured';
    result.replaceChildren();
    return;
  }
  if (c.state === 'incomplete') {
    badge.textContent = '入力途中';
    badge.className = 'verdict-badge incomplete';
    result.replaceChildren(el('p', { className: 'row-incomplete' },
      `入力途中: ${c.missing.map(labelOf).join('、')} がありません`));
    return;
  }
  if (c.state === 'refused' || !c.string) {
    badge.textContent = '入力エラー';
    badge.className = 'verdict-badge refused';
    result.replaceChildren(el('p', { className: 'row-refused' }, c.refusal));
    return;
  }
  const v = c.string;
  badge.textContent = v.verdict;
  badge.className = `verdict-badge ${v.kind}`;
  badge.style.color = v.colour;
  badge.style.background = v.background;
  block.dataset.verdict = v.kind;
  const cells = v.cells;
  // A number and its unit never part at a line end.
  const unit = (value: string, u: string) => `${value}\u00a0${u}`;
  const lines: (HTMLElement | string)[] = [
    el('p', {}, `Voc: 期待値 ${unit(cells[4], 'V')} / 測定 ${unit(cells[5], 'V')} / 偏差 ${unit(cells[6], '%')}`),
    el('p', {}, `Isc: 期待値 ${unit(cells[7], 'A')} / 測定 ${unit(cells[8], 'A')} / 偏差 ${unit(cells[9], '%')}`),
    el('p', { className: 'conditions-line' }, `日射強度 ${unit(cells[2], 'W/m²')}、モジュール温度 ${unit(cells[3], '°C')}`),
  ];
  const made = kItems.slice(2).filter(([key]) => v.items[key] !== 'not_measured');
  if (made.length > 0) {
    lines.push(el('p', { className: 'items-line' },
      made.map(([key, name]) => `${name} ${kStatusText[v.items[key]]}`).join(' · ')));
  }
  if (v.findings) lines.push(el('p', { className: 'findings' }, v.findings));
  const note = s.rows[j][kFields.length - 1].trim();
  if (note) lines.push(el('p', { className: 'note-line' }, `メモ: ${note}`));
  result.replaceChildren(...lines);
}

// The counts of the rows' states, and the failed strings in the picture.
function updateSummary(): void {
  if (!state) return;
  const count = { pass: 0, fail: 0, empty: 0, incomplete: 0, refused: 0 };
  const failed = new Set<number>();
  state.checks.forEach((c, j) => {
    if (c.state === 'checked' && c.string) {
      if (c.string.kind === 'fail') {
        ++count.fail;
        failed.add(state!.start.strings![j].string_no);
      } else {
        ++count.pass;
      }
    } else if (c.state === 'empty') {
      ++count.empty;
    } else if (c.state === 'incomplete') {
      ++count.incomplete;
    } else {
      ++count.refused;
    }
  });
  const parts = [`合格 ${count.pass}`, `不合格 ${count.fail}`, `未測定 ${count.empty}`];
  if (count.incomplete > 0) parts.push(`入力途中 ${count.incomplete}`);
  if (count.refused > 0) parts.push(`入力エラー ${count.refused}`);
  const summary = $('commission-summary');
  summary.textContent = `${state.checks.length} ストリング: ${parts.join('、')}`;
  summary.className = count.fail > 0 || count.refused > 0 ? 'summary-bad' : count.empty + count.incomplete > 0 ? '' : 'summary-ok';
  state.host.markFailed(failed);
}

// On a narrow screen one string at a time: the one shown, the picker and
// the buttons for the previous and the next.
function showCurrent(focus: boolean): void {
  if (!state) return;
  const count = state.rows.length;
  state.current = Math.min(Math.max(state.current, 0), count - 1);
  for (const block of document.querySelectorAll<HTMLElement>('#string-rows .string-row')) block.classList.remove('current');
  const stringNo = state.start.strings![state.current].string_no;
  $(`string-${stringNo}`).classList.add('current');
  $<HTMLSelectElement>('string-pick').value = String(state.current);
  $<HTMLButtonElement>('string-prev').disabled = state.current === 0;
  $<HTMLButtonElement>('string-next').disabled = state.current === count - 1;
  if (focus) $(fieldId(stringNo, 0)).focus();
}

function go(step: number): void {
  if (!state) return;
  state.current += step;
  showCurrent(true);
  keepValues();
}

// A block of cells pasted from a sheet (tabs between cells, line ends
// between rows) fills the rows from the field it is pasted into, rightwards
// and downwards, in the measurement file's column order.
function onPaste(e: ClipboardEvent): void {
  const target = e.target as HTMLElement;
  if (!state || target.dataset.row === undefined) return;
  const text = e.clipboardData?.getData('text/plain') ?? '';
  if (!/[\t\n\r]/.test(text.replace(/[\r\n]+$/, ''))) return; // one cell: the browser pastes it as usual
  e.preventDefault();
  const lines = text.replace(/\r\n?/g, '\n').replace(/\n+$/, '').split('\n').map((l) => l.split('\t'));
  const j0 = Number(target.dataset.row);
  const k0 = Number(target.dataset.field);
  const touched = new Set<number>();
  lines.forEach((cells, i) => {
    const j = j0 + i;
    if (j >= state!.rows.length) return;
    cells.forEach((cell, c) => {
      const k = k0 + c;
      if (k >= kFieldCount) return;
      let value = cell.trim();
      if (kFields[k].kind === 'polarity') {
        const word = value.toLowerCase();
        value = word === 'ok' || word === 'reversed' ? word : value === '' ? '' : state!.rows[j][k];
      }
      state!.rows[j][k] = value;
      const control = document.getElementById(fieldId(state!.start.strings![j].string_no, k)) as HTMLInputElement | null;
      if (control) control.value = value;
      touched.add(j);
    });
  });
  keepValues();
  for (const j of touched) checkRow(j);
  updateSummary();
  const first = state.start.strings![j0].string_no;
  const last = state.start.strings![Math.max(...touched)].string_no;
  $('commission-message').textContent = first === last
    ? `${labelOfNo(first)} に貼り付けました`
    : `${labelOfNo(first)}〜${state.host.plant ? labelOfNo(last) : last} に貼り付けました (${touched.size} 行)`;
}

// Enter moves on, as Tab does: to the next field, after the last one to the
// next string (the keypad of a phone has no Tab).
function onKeyDown(e: KeyboardEvent): void {
  const target = e.target as HTMLElement;
  if (!state || e.key !== 'Enter' || target.dataset.row === undefined) return;
  e.preventDefault();
  const j = Number(target.dataset.row);
  const k = Number(target.dataset.field);
  if (k + 1 < kFieldCount) {
    $(fieldId(state.start.strings![j].string_no, k + 1)).focus();
  } else if (j + 1 < state.rows.length) {
    state.current = j + 1;
    showCurrent(true);
  }
}

function onFocus(e: FocusEvent): void {
  const target = e.target as HTMLElement;
  if (!state || target.dataset.row === undefined) return;
  const j = Number(target.dataset.row);
  if (j !== state.current) {
    state.current = j;
    showCurrent(false);
  }
}

function incompleteText(r: RowsCheckValue): string {
  return (r.incomplete ?? []).map((i) => `${labelOfNo(i.string)} (${i.missing.map(labelOf).join('、')} がありません)`).join('、');
}

// The rows as the file that is saved, with the check when every row can be
// used; otherwise the page says which rows cannot, and nothing typed is lost.
function rowsCheck(what: string): RowsCheckValue | null {
  if (!state) return null;
  const fault = state.host.core.commissionOptionsFault(readOptions());
  const message = $('commission-message');
  if (fault !== '') {
    message.textContent = `${what}できません: ${fault}`;
    message.className = 'error';
    return null;
  }
  const r = state.host.core.checkRows(state.rows, readOptions());
  if ((r.incomplete ?? []).length > 0) {
    message.textContent = `${what}できません。入力途中の行があります: ${incompleteText(r)}。` +
      '入力した値はそのまま残っています';
    message.className = 'error';
    return null;
  }
  if (r.refusal || !r.check) {
    message.textContent = `${what}できません: ${r.refusal ?? ''}`;
    message.className = 'error';
    return null;
  }
  message.className = '';
  return r;
}

function saveMeasurementFile(): void {
  const r = rowsCheck('測定ファイルを保存');
  if (!r || !r.file || !state) return;
  const name = measurementFileName(state.host.resultName);
  state.host.download(r.file, name, 'text/csv');
  $('commission-message').textContent = `測定ファイル ${name} を保存しました`;
}

function saveJson(): void {
  const r = rowsCheck('検査結果を保存');
  if (!r?.check || !state) return;
  const name = commissioningFileName(state.host.resultName);
  state.host.download(r.check.json, name, 'application/json');
  $('commission-message').textContent = `検査結果 ${name} を保存しました`;
}

function saveForm(): void {
  if (!state) return;
  const form = state.host.core.blankForm();
  if (form) state.host.download(form, formFileName(state.host.resultName), 'text/csv');
}

// A measurement file opened to go on with it: the rows as the file holds
// them, after asking when values have been typed already.
async function openMeasurementFile(file: File): Promise<void> {
  if (!state) return;
  const message = $('commission-message');
  let bytes: Uint8Array;
  try {
    bytes = new Uint8Array(await file.arrayBuffer());
  } catch (err) {
    message.textContent = `ファイルを読み込めません: ${file.name} (${String(err)})`;
    message.className = 'error';
    return;
  }
  await openMeasurementBytes(file.name, bytes);
}

export async function openMeasurementBytes(name: string, bytes: Uint8Array): Promise<void> {
  if (!state) return;
  const message = $('commission-message');
  const read = state.host.core.readMeasurementFile(name, bytes, readOptions());
  if (read.refusal || !read.rows) {
    message.textContent = `測定ファイルを開けません: ${read.refusal ?? ''}`;
    message.className = 'error';
    return;
  }
  const typed = state.rows.some((r) => r.some((f) => f !== ''));
  if (typed && !(await ask(`入力済みの測定値を測定ファイル ${name} の値で置き換えますか?`, '置き換える'))) return;
  state.rows = read.rows.map((r) => Array.from({ length: kFieldCount }, (_, k) => r[k] ?? ''));
  buildRows();
  keepValues();
  recheckAll();
  showCurrent(false);
  message.textContent = `測定ファイル ${name} を開きました`;
  message.className = '';
}

// Asks in the page (a dialog with two large buttons) and answers true for yes.
function ask(question: string, yes: string): Promise<boolean> {
  const dialog = $<HTMLDialogElement>('confirm');
  $('confirm-text').textContent = question;
  $('confirm-yes').textContent = yes;
  return new Promise((resolve) => {
    const done = () => {
      dialog.removeEventListener('close', done);
      resolve(dialog.returnValue === 'yes');
    };
    dialog.returnValue = '';
    dialog.addEventListener('close', done);
    dialog.showModal();
  });
}

async function clearValues(): Promise<void> {
  if (!state) return;
  if (!(await ask('すべてのストリングの測定値を消去しますか? 元に戻せません。', '消去する'))) return;
  state.rows = state.rows.map(() => Array.from({ length: kFieldCount }, () => ''));
  for (const row of optionRows) {
    const input = document.getElementById(`c-${row.key}`) as HTMLInputElement | null;
    if (input && row.every_row) input.value = '';
  }
  const forgot = forgetValues(state.key);
  buildRows();
  recheckAll();
  state.current = 0;
  showCurrent(false);
  keepValues();
  $('commission-message').textContent = forgot.ok ? '測定値を消去しました' : `測定値を消去しました (${forgot.reason})`;
}

// The printed report, as the viewer's: the plan's header, the measurement
// file and the conditions, the summary, the table, the further items, which
// test items were made, the findings and the lines filled in by hand.
function renderReport(r: NonNullable<RowsCheckValue['check']>): void {
  const s = state!;
  const host = $('report');
  const title = `試運転検査報告: ${s.host.resultName}`;
  const header = el('section', { className: 'report-header' },
    el('h1', {}, title),
    el('p', {}, s.host.plant
      ? `発電所ファイル ${s.host.resultName} / ${r.strings.length} ストリング / モジュールリスト ${s.host.listName}`
      : `結果ファイル ${s.host.resultName} / ${s.host.shape} / モジュールリスト ${s.host.listName} / 結果ファイルの配線`),
    el('p', {}, `計画 ${s.start.plan} / 測定ファイル ${measurementFileName(s.host.resultName)}`),
    el('p', {}, r.conditions),
    el('p', { className: r.ok ? 'report-summary ok' : 'report-summary bad' }, r.summary));
  const table = el('table', { className: 'report-table' });
  const heads = ['ストリング', '枚数', '日射強度 [W/m²]', '温度 [°C]', 'Voc 期待値 [V]', 'Voc 測定値 [V]', 'Voc 偏差 [%]',
    'Isc 期待値 [A]', 'Isc 測定値 [A]', 'Isc 偏差 [%]', '判定'];
  const headRow = table.createTHead().insertRow();
  for (const h of heads) headRow.append(el('th', { textContent: h }));
  const body = table.createTBody();
  for (const st of r.strings) {
    const tr = body.insertRow();
    st.cells.slice(0, 10).forEach((cell, k) => (tr.insertCell().textContent = k === 0 && st.name ? st.name : cell));
    const verdict = tr.insertCell();
    verdict.textContent = st.verdict;
    verdict.className = 'report-verdict';
    verdict.style.color = st.colour;
    verdict.style.background = st.background;
  }
  const parts: HTMLElement[] = [header, table];
  if (r.further_items_measured) {
    const further = el('table', { className: 'report-table further' });
    const fh = further.createTHead().insertRow();
    for (const h of ['ストリング', '極性', '絶縁抵抗 + [MΩ]', '絶縁抵抗 − [MΩ]', '絶縁試験電圧 [V]', '接地導通 [Ω]']) {
      fh.append(el('th', { textContent: h }));
    }
    const fb = further.createTBody();
    for (const st of r.strings) {
      const tr = fb.insertRow();
      tr.insertCell().textContent = st.name ?? String(st.string_no);
      const cell = (value: string | undefined, item: string) => {
        const status = st.items[item];
        const td = tr.insertCell();
        td.textContent = status === 'not_measured' ? '—' : `${value ?? ''} (${kStatusText[status]})`;
        if (status === 'fail') td.className = 'item-fail';
      };
      const polarity = st.further.polarity === 'reversed' ? '逆' : st.further.polarity === 'ok' ? '正' : '';
      cell(polarity, 'polarity');
      cell(st.further.insulation_pos_mohm, 'insulation_pos');
      cell(st.further.insulation_neg_mohm, 'insulation_neg');
      cell(st.further.insulation_test_v, 'insulation_test_voltage');
      cell(st.further.earth_continuity_ohm, 'earth_continuity');
    }
    parts.push(el('h2', {}, '極性・絶縁抵抗・接地導通'), further,
      el('p', {}, `絶縁抵抗の下限 ${readOptions().insulation_min_mohm ?? ''} MΩ、` +
        `試験電圧 ${r.insulation_test_required_v} V 以上 (システム電圧 ` +
        `${Number.isFinite(r.system_voltage_v) ? r.system_voltage_v.toFixed(0) + ' V' : '不明'})`));
  }
  // Which test items were made, and for which strings not.
  const coverage = el('ul', { className: 'report-coverage' });
  for (const c of r.coverage) {
    const name = kItems.find(([key]) => key === c.item)?.[1] ?? c.item;
    // A plant's strings by their names.
    const named = (nos: Int32Array) => [...nos].map((n) => (s.host.plant ? labelOfNo(n) : String(n)));
    const notMade = named(c.not_made);
    const failed = named(c.failed);
    coverage.append(el('li', {}, notMade.length === 0
      ? `${name}: 全ストリングで実施${failed.length > 0 ? ` (不合格: ${failed.join(', ')})` : ''}`
      : c.made.length === 0
        ? `${name}: 実施していません`
        : `${name}: ${c.made.length} ストリングで実施、未実施: ${s.host.plant ? '' : 'ストリング '}${notMade.join(', ')}` +
          (failed.length > 0 ? ` (不合格: ${failed.join(', ')})` : '')));
  }
  parts.push(el('h2', {}, '実施した検査項目'), coverage);
  const findings = el('div', { className: 'report-findings' });
  const lines = r.strings.filter((st) => st.findings_with_note !== '');
  if (lines.length === 0) findings.append(el('p', {}, 'なし'));
  for (const st of lines) {
    const p = el('p', {}, `${stringLabel(st)} (${st.verdict}): ${st.findings_with_note}`);
    p.style.color = st.colour;
    findings.append(p);
  }
  parts.push(el('h2', {}, '所見'), findings);
  const fill = el('section', { className: 'report-fill' }, el('h2', {}, '試験の記録'),
    el('p', { className: 'fill-line' }, el('span', {}, '試験日'), el('span', { className: 'blank' }), el('span', {}, '試験者'),
      el('span', { className: 'blank' })));
  const instruments = el('table', { className: 'report-table instruments' });
  const ih = instruments.createTHead().insertRow();
  for (const h of ['測定器 (名称・型式)', 'シリアル番号', '校正日']) ih.append(el('th', { textContent: h }));
  const ib = instruments.createTBody();
  for (let k = 0; k < 3; ++k) {
    const tr = ib.insertRow();
    for (let c = 0; c < 3; ++c) tr.insertCell().textContent = ' ';
  }
  fill.append(instruments, el('p', { className: 'fill-line' }, el('span', {}, '署名'), el('span', { className: 'blank' })));
  parts.push(fill);
  host.replaceChildren(...parts);
  setReportHeader(s.host.plant ? title : `${title} (結果ファイルの配線)`);
}

// The report's running header on every printed page.
function setReportHeader(text: string): void {
  const safe = text.replace(/[\u0000-\u001f\u007f]/g, '').replace(/[\\"]/g, (c) => `\\${c}`);
  let style = document.getElementById('report-header') as HTMLStyleElement | null;
  if (!style) {
    style = el('style', { id: 'report-header' });
    document.head.append(style);
  }
  style.textContent = `@media print { @page report { @top-left { content: "${safe}"; } } }`;
}

// Prepares the report for printing: false (with the reason on the page)
// when a row cannot be used.
export function prepareReport(): boolean {
  const r = rowsCheck('検査報告を印刷');
  if (!r?.check) return false;
  renderReport(r.check);
  return true;
}

export function printReport(): void {
  if (!prepareReport()) return;
  document.body.dataset.print = 'report';
  const title = document.title;
  document.title = `${baseOf(state!.host.resultName)} 試運転検査報告`;
  const restore = () => {
    delete document.body.dataset.print;
    document.title = title;
    window.removeEventListener('afterprint', restore);
  };
  window.addEventListener('afterprint', restore);
  window.print();
}

export function commissionActive(): boolean {
  return state !== null;
}

// The page's wiring of the controls, once.
export function wireCommissioning(): void {
  const rows = $('string-rows');
  rows.addEventListener('input', onInput);
  rows.addEventListener('paste', onPaste);
  rows.addEventListener('keydown', onKeyDown);
  rows.addEventListener('focusin', onFocus);
  $('string-prev').addEventListener('click', () => go(-1));
  $('string-next').addEventListener('click', () => go(1));
  $<HTMLSelectElement>('string-pick').addEventListener('change', (e) => {
    if (!state) return;
    state.current = Number((e.target as HTMLSelectElement).value);
    showCurrent(false);
    keepValues();
  });
  $('save-measurements').addEventListener('click', saveMeasurementFile);
  $('save-commissioning').addEventListener('click', saveJson);
  $('save-form').addEventListener('click', saveForm);
  $('print-report').addEventListener('click', printReport);
  $('clear-measurements').addEventListener('click', () => void clearValues());
  $<HTMLInputElement>('measurement-file').addEventListener('change', (e) => {
    const input = e.target as HTMLInputElement;
    const file = input.files?.[0];
    if (file) void openMeasurementFile(file).finally(() => (input.value = ''));
  });
}
