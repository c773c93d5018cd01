// The page: the window's inputs and its run, the result download, the
// physical assessment in a worker, the array picture, the charts, the wiring
// table with its search, and the printed wiring plan.
import 'uplot/dist/uPlot.min.css';
import './style.css';

import { AssessWorker, type FirstPart } from './assess_worker';
import { drawCharts, drawWindowChart } from './charts';
import { coreFactory, messageText, type AssessProgress, type AssessmentValue, type Conditions, type Core, type InverterProfileFile, type InverterWindowValue, type RunValue } from './core';
import { findSerial, fixed, planViewOf, type ColourBy, type PlanView } from './plan';
import { renderPicture, renderPlan, renderWiringTable, type SortState } from './render';

const $ = <T extends HTMLElement>(id: string) => document.getElementById(id) as T;

interface ListFile {
  name: string;
  bytes: Uint8Array;
}

interface Completed {
  run: RunValue;
  listFile: ListFile;
  series: string;
  parallel: string;
  output: string;
  resultName: string; // OUTPUT.csv
  assessment?: AssessmentValue;
}

// A module list holds at most 2001 rows; a file far larger is not one, and
// copying it into the WebAssembly memory could exhaust it.
const kLargestListBytes = 32 * 1024 * 1024;

// The core refuses a profile above 64 KiB with its own message; a file far
// larger is not read into the page at all.
const kLargestProfileBytes = 4 * 1024 * 1024;

let core: Core;
let listFile: ListFile | null = null;
let inverterProfile: InverterProfileFile | null = null;
let completed: Completed | null = null;
let view: PlanView | null = null;
let sort: SortState = { column: 'string', descending: false };
let markedSerialKey: string | null = null;
const worker = new AssessWorker();

function showMessage(text: string, kind: 'info' | 'error'): void {
  const box = $('message');
  box.textContent = text;
  box.className = kind;
}

// A run waits for the list picked last to be read.
let listReading: Promise<void> = Promise.resolve();

function chooseFile(file: File): Promise<void> {
  listReading = file.arrayBuffer().then(
    (buffer) => {
      listFile = { name: file.name, bytes: new Uint8Array(buffer) };
      $('list-name').textContent = file.name;
    },
    (err: unknown) => {
      listFile = null;
      $('list-name').textContent = '';
      showMessage(`ファイルを読み込めません: ${file.name} (${String(err)})`, 'error');
    },
  );
  return listReading;
}

// "OUTPUT.csv": the output name's last part, as a browser saves it.
function resultFileName(output: string): string {
  const last = output.split(/[\\/]/).pop() ?? '';
  return `${last}.csv`;
}

function download(bytes: Uint8Array, name: string, type: string): void {
  const url = URL.createObjectURL(new Blob([bytes as Uint8Array<ArrayBuffer>], { type }));
  const a = document.createElement('a');
  a.href = url;
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60000);
}

// The assessment's options as typed; the core checks them as voltrigg-cli does.
function readConditions(): Conditions {
  return {
    assess: true,
    tmin_c: $<HTMLInputElement>('tmin').value,
    voc_coefficient_pct_per_k: $<HTMLInputElement>('voc-coefficient').value,
    max_system_voltage_v: $<HTMLInputElement>('max-system-voltage').value,
    t_cold_operating_c: $<HTMLInputElement>('t-cold-operating').value,
    t_hot_c: $<HTMLInputElement>('t-hot').value,
    isc_coefficient_pct_per_k: $<HTMLInputElement>('isc-coefficient').value,
    isc_factor: $<HTMLInputElement>('isc-factor').value,
    extras: $<HTMLSelectElement>('extras').value,
    language: 'ja',
    ...(inverterProfile ? { inverter: inverterProfile } : {}),
  };
}

const profileFault = (reason: string) => `パワコンのプロファイルを使えません: ${reason}`;

// A picked profile is checked by the core at once (after the conditions, as
// voltrigg-cli checks them); a refused one stays picked, so that the message
// stays true until another is picked or it is taken off.
async function chooseProfile(file: File | null): Promise<void> {
  const status = $('inverter-status');
  status.textContent = '';
  inverterProfile = null;
  $('inverter-clear').hidden = true;
  if (file) {
    if (file.size > kLargestProfileBytes) {
      status.textContent = `パワコンのプロファイルが大きすぎます (${(file.size / 1048576).toFixed(1)} MiB、4 MiB まで): ${file.name}`;
      $<HTMLInputElement>('inverter-file').value = '';
      assess();
      return;
    }
    try {
      inverterProfile = { name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) };
    } catch (err) {
      status.textContent = `ファイルを読み込めません: ${file.name} (${String(err)})`;
      assess();
      return;
    }
    $('inverter-clear').hidden = false;
    const fault = core.checkInverterProfile(readConditions());
    if (fault !== '') status.textContent = profileFault(fault);
  } else {
    $<HTMLInputElement>('inverter-file').value = '';
  }
  assess();
}

// The window's run: the same core, the same messages.
function run(): void {
  const series = $<HTMLInputElement>('series').value;
  const parallel = $<HTMLInputElement>('parallel').value;
  const output = $<HTMLInputElement>('output-name').value;
  worker.cancel();
  if (!listFile) {
    showMessage('使用するCSVファイルを指定してください', 'error');
    return;
  }
  if (listFile.bytes.length > kLargestListBytes) {
    showMessage(`モジュールリストファイルが大きすぎます (${(listFile.bytes.length / 1048576).toFixed(0)} MiB、` +
      `32 MiB まで): ${listFile.name}`, 'error');
    return;
  }
  const started = performance.now();
  let r: RunValue;
  try {
    r = core.run(listFile.bytes, listFile.name, series, parallel, output, { assess: false });
  } catch (err) {
    // The core reports every failure of a run itself; this is the WebAssembly
    // machine giving out (memory). The page stays; a reload starts afresh.
    showMessage(`予期しないエラーが発生しました: ${String(err)}`, 'error');
    return;
  }
  const elapsedMs = performance.now() - started;
  document.body.dataset.runMs = elapsedMs.toFixed(1);
  const text = [...r.messages.map(messageText), ...(r.check_facts ? [r.check_facts] : [])].join('\n');
  const warnings = $('list-warnings');
  warnings.replaceChildren(...(r.list_warnings ?? []).map((w) =>
    Object.assign(document.createElement('li'), { textContent: `警告: ${w}` })));
  if (r.outcome !== 'completed' || !r.result_file) {
    // Nothing of an earlier run stays on show beside a failed one.
    completed = null;
    $('results').hidden = true;
    $('downloads').hidden = true;
    showMessage(text, 'error');
    return;
  }
  showMessage(text, 'info');
  completed = { run: r, listFile, series, parallel, output, resultName: resultFileName(output) };
  setPageHeader(completed.resultName);
  $('save-result').textContent = `結果ファイル ${completed.resultName} を保存`;
  $('downloads').hidden = false;
  $('results').hidden = false;
  showFigures(r);
  refreshViews();
  assess();
}

function showFigures(r: RunValue): void {
  // The figures as the result file writes them (lines 2 to 5).
  const lines = new TextDecoder('latin1').decode(r.result_file).split('\r\n');
  const fields = (k: number) => lines[k].split(',');
  const table = $<HTMLTableElement>('figures');
  const res = r.result!;
  table.innerHTML = '';
  const head = table.createTHead().insertRow();
  for (const h of ['', 'Pmax [W]', 'Vpm [V]', 'Ipm [A]']) head.append(Object.assign(document.createElement('th'), { textContent: h }));
  const body = table.createTBody();
  const row = (name: string, values: string[]) => {
    const tr = body.insertRow();
    tr.append(Object.assign(document.createElement('th'), { textContent: name }));
    for (const v of values) {
      const td = Object.assign(document.createElement('td'), { textContent: v });
      if (values.length === 1) td.colSpan = 3;
      tr.append(td);
    }
  };
  row('アレイ構成', [`${res.parallel} ストリング × ${res.series} 直列 (${res.rows.string_no.length} 枚)`]);
  row('モジュール Pmax の単純和 [W]', [fields(1)[1]]);
  for (const k of [2, 3, 4]) row(fields(k)[0].replaceAll('"', ''), [fields(k)[2], fields(k)[4], fields(k)[6]]);
}

function assess(): void {
  if (!completed) return;
  const conditions = readConditions();
  const status = $('assess-text');
  const progress = $<HTMLProgressElement>('assess-progress');
  $<HTMLButtonElement>('save-json').disabled = true;
  $('assess-problems').innerHTML = '';
  worker.cancel();
  const job = completed;
  job.assessment = undefined;
  const conditionFault = core.checkAssessOptions(conditions);
  const inverterFault = conditionFault === '' ? core.checkInverterProfile(conditions) : '';
  if (conditionFault !== '' || inverterFault !== '') {
    status.textContent = conditionFault !== '' ? `評価できません: ${conditionFault}` : profileFault(inverterFault);
    progress.hidden = true;
    showAssessment(undefined);
    refreshViews();
    return;
  }
  progress.hidden = false;
  progress.removeAttribute('value'); // moving, until the optimiser tells how far it is
  const started = performance.now();
  status.textContent = '計算中… (最適化とランダム配線はワーカーで計算しています)';
  document.body.dataset.progress = '';
  document.body.dataset.assessing = 'yes';
  void worker
    .assess({
      list: job.listFile.bytes,
      listName: job.listFile.name,
      series: job.series,
      parallel: job.parallel,
      output: job.output,
      conditions,
    }, (first) => {
      if (completed !== job) return;
      status.textContent = '結果ファイルの配線を評価しました。最適化とランダム配線を計算中…';
      showAssessment(first);
      drawWindowChart($('window-chart'), first.inverter_window);
    }, (step) => {
      if (completed !== job) return;
      showProgress(step);
    })
    .then((reply) => {
      if (completed !== job || reply.error === 'cancelled') return;
      document.body.dataset.assessedIn = 'worker';
      if (reply.error?.startsWith('no worker')) {
        document.body.dataset.assessedIn = 'page';
        // The same run on the page's thread: slower to answer, same figures.
        const r = core.run(job.listFile.bytes, job.listFile.name, job.series, job.parallel, job.output,
          conditions.assess ? { ...conditions, progress: showProgress } : conditions);
        reply = { outcome: r.outcome, assessment: r.assessment, assessment_problems: r.assessment_problems };
      }
      progress.hidden = true;
      delete document.body.dataset.assessing;
      const seconds = ((performance.now() - started) / 1000).toFixed(2);
      document.body.dataset.assessMs = (performance.now() - started).toFixed(0);
      if (reply.assessment) {
        job.assessment = reply.assessment;
        status.textContent = `評価が終わりました (${seconds} 秒)`;
        $<HTMLButtonElement>('save-json').disabled = false;
      } else {
        status.textContent = '評価できません (結果ファイルは出力済みです)';
        const list = $('assess-problems');
        for (const p of reply.assessment_problems ?? [reply.error ?? '']) {
          list.append(Object.assign(document.createElement('li'), { textContent: p }));
        }
      }
      showAssessment(job.assessment);
      refreshViews();
    });
}

// "計算中… 84 % — 最適化の探索 5 / 5、ランダム配線 78 / 100"; the page keeps each
// step's percentage on its body for the tests.
function showProgress(step: AssessProgress): void {
  const progress = $<HTMLProgressElement>('assess-progress');
  progress.max = 100;
  progress.value = step.percent;
  $('assess-text').textContent = `計算中… ${Math.floor(step.percent)} % — 最適化の探索 ${step.searches_done} / ` +
    `${step.searches_total || '…'}、ランダム配線 ${step.random_done} / ${step.random_total}`;
  const seen = document.body.dataset.progress;
  document.body.dataset.progress = seen ? `${seen} ${step.percent.toFixed(1)}` : step.percent.toFixed(1);
}

// The whole assessment, or its first part while the optimiser still runs.
function showAssessment(a?: AssessmentValue | FirstPart): void {
  const table = $<HTMLTableElement>('assessment');
  const verdict = $('verdict');
  const wiring = $<HTMLSelectElement>('wiring');
  (wiring.options[1] as HTMLOptionElement).disabled = !a || !('optimized' in a);
  if (!a || !('optimized' in a)) wiring.value = 'result';
  showInverterWindow(a?.inverter_window);
  if (!a) {
    table.hidden = true;
    verdict.textContent = '';
    wiring.value = 'result';
    return;
  }
  table.hidden = false;
  table.innerHTML = '';
  const head = table.createTHead().insertRow();
  for (const h of ['配線', 'Pmp [W]', 'Vmp [V]', 'Imp [A]', 'ミスマッチ損失 [%]']) {
    head.append(Object.assign(document.createElement('th'), { textContent: h }));
  }
  const body = table.createTBody();
  const row = (name: string, cells: string[]) => {
    const tr = body.insertRow();
    tr.append(Object.assign(document.createElement('th'), { textContent: name }));
    for (const c of cells) tr.append(Object.assign(document.createElement('td'), { textContent: c }));
  };
  const complete = 'optimized' in a;
  const pending = ['計算中…', '', '', ''];
  row('Initial (整列順)', [fixed(a.initial.pmp_w, 1), fixed(a.initial.vmp_v, 2), fixed(a.initial.imp_a, 3), fixed(a.initial.mismatch_loss_pct, 3)]);
  row('Estimated (結果ファイル)', [fixed(a.estimated.pmp_w, 1), fixed(a.estimated.vmp_v, 2), fixed(a.estimated.imp_a, 3), fixed(a.estimated.mismatch_loss_pct, 3)]);
  row('最適化した配線', complete ? [fixed(a.optimized.pmp_w, 1), fixed(a.optimized.vmp_v, 2), fixed(a.optimized.imp_a, 3), fixed(a.optimized.mismatch_loss_pct, 3)] : pending);
  row(`ランダム配線 ${complete ? a.random.samples : 100} 通りの平均`, complete ? [fixed(a.random.mean_pmp_w, 1), '', '', fixed(a.random.mean_loss_pct, 3)] : pending);
  row('ランダム配線の最悪', complete ? [fixed(a.random.worst_pmp_w, 1), '', '', fixed(a.random.worst_loss_pct, 3)] : pending);
  const v = a.voltage_check;
  const at = ` (${$<HTMLInputElement>('tmin').value.trim()} °C)`;
  verdict.className = v.ok ? 'ok' : 'over';
  verdict.textContent = v.ok
    ? `電圧チェック: 最高ストリング開放電圧 ${v.max_string_voc_cold_v.toFixed(2)} V${at} は上限 ${v.limit_v} V 以下です`
    : `電圧チェック: ストリング ${v.strings_over.join(', ')} の開放電圧が上限 ${v.limit_v} V を超えています (最高 ${v.max_string_voc_cold_v.toFixed(2)} V${at})`;
}

// The inverter window of the result's wiring: the viewer's table (value,
// limit, margin, verdict; a failed check in red) and its verdict line.
function showInverterWindow(w?: InverterWindowValue): void {
  const section = $('inverter-window');
  const line = $('window-verdict');
  const table = $<HTMLTableElement>('window-table');
  if (!w) {
    section.hidden = true;
    line.textContent = '';
    line.className = '';
    table.innerHTML = '';
    return;
  }
  section.hidden = false;
  $('window-heading').textContent = w.heading;
  line.textContent = w.verdict_line;
  line.className = w.ok ? 'ok' : 'over';
  table.innerHTML = '';
  const head = table.createTHead().insertRow();
  for (const h of ['検査', '値の内容', '値', '限度', '余裕', '判定']) {
    head.append(Object.assign(document.createElement('th'), { textContent: h }));
  }
  const body = table.createTBody();
  for (const r of w.rows) {
    const tr = body.insertRow();
    tr.className = `verdict-${r.verdict}`;
    tr.title = r.check;
    tr.dataset.check = r.check;
    for (const c of [r.name, r.condition, r.value, r.limit, r.margin, r.verdict_name]) tr.insertCell().textContent = c;
  }
  $('window-problems').replaceChildren(...w.problems.map((p) =>
    Object.assign(document.createElement('li'), { textContent: `この温度の値はありません: ${p}` })));
}

function refreshViews(): void {
  if (!completed?.run.result) return;
  const optimized = $<HTMLSelectElement>('wiring').value === 'optimized' && completed.assessment;
  // The core's plan of the wiring shown: after the assessment both wirings on one colour scale.
  const views = completed.assessment
    ? completed.assessment.plan_views[optimized ? 'optimized' : 'result']
    : completed.run.plan_views?.result;
  if (!views) return;
  const colourBy = $<HTMLSelectElement>('colour-by').value as ColourBy;
  view = planViewOf(views[colourBy], colourBy);
  renderPicture($('picture'), view, markedSerialKey, (text) => ($('hover-info').textContent = text));
  renderWiringTable($<HTMLTableElement>('wiring-table'), view, sort, markedSerialKey, (next) => {
    sort = next;
    refreshViews();
  });
  drawCharts($('string-chart'), $('curve-chart'), view, completed.assessment, !!optimized);
  drawWindowChart($('window-chart'), completed.assessment?.inverter_window);
  renderPlan($('plan'), view, {
    resultName: completed.resultName,
    listName: completed.listFile.name,
    figures: $<HTMLTableElement>('figures'),
    assessment: $<HTMLTableElement>('assessment'),
    verdict: $('verdict').textContent ?? '',
    windowHeading: $('inverter-window').hidden ? '' : $('window-heading').textContent ?? '',
    windowTable: $('inverter-window').hidden ? null : $<HTMLTableElement>('window-table'),
    windowVerdict: $('window-verdict').textContent ?? '',
    wiringName: optimized ? '最適化した配線' : '結果ファイルの配線',
  });
}

function search(select: boolean): void {
  const input = $<HTMLInputElement>('search');
  const out = $('search-result');
  if (!view) return;
  const cell = findSerial(view, input.value);
  if (!cell) {
    markedSerialKey = null;
    out.textContent = input.value.trim() === '' ? '' : `見つかりません: ${input.value.trim()}`;
  } else {
    markedSerialKey = `${cell.string_no}:${cell.position}`;
    out.textContent = `ストリング ${cell.string_no} の ${cell.position} 番目 (モジュール番号 ${cell.module_no})`;
  }
  refreshViews();
  document.querySelector('#picture .marked')?.scrollIntoView({ block: 'nearest' });
  // A scanner types the next code over this one.
  if (select) input.select();
}

// The result file's name in every printed page's header (from the print
// button or the browser's own print command), as a CSS string.
function setPageHeader(resultName: string): void {
  const text = resultName.replace(/[\u0000-\u001f\u007f]/g, '').replace(/[\\"]/g, (c) => `\\${c}`);
  let style = document.getElementById('page-header') as HTMLStyleElement | null;
  if (!style) {
    style = document.createElement('style');
    style.id = 'page-header';
    document.head.append(style);
  }
  style.textContent = `@media print { @page { @top-left { content: "${text}"; } } }`;
}

// The browser compiles the core's WebAssembly quickly at first and better
// once a part of it has run a while; one planning run of a made-up list of
// 1000 modules right after opening lets that happen before the user's first
// run. It writes nothing anyone sees, and the next run starts afresh.
function warmUp(): void {
  const rows = ['No,S/N,Pmax,Vpm,Ipm,Voc,Isc'];
  for (let k = 1; k <= 1000; ++k) {
    const spread = ((k * 7919) % 1000) / 1000; // 0 to 1, well mixed
    const vpm = 32 + spread;
    const ipm = 9 + ((k * 104729) % 1000) / 2000;
    rows.push(`${k},W-${k},${(vpm * ipm).toFixed(2)},${vpm.toFixed(2)},${ipm.toFixed(3)},40,9.7`);
  }
  try {
    core.run(new TextEncoder().encode(rows.join('\r\n') + '\r\n'), 'warm-up.csv', '20', '50', 'warm-up', { assess: false });
  } catch {
    // Only a warm-up: the user's run reports any fault itself.
  }
}

async function start(): Promise<void> {
  core = await coreFactory()();
  const identity = core.identity();
  document.title = identity.caption;
  $('caption').textContent = identity.caption;
  $('copyright').textContent = identity.copyright;

  $<HTMLInputElement>('list-file').addEventListener('change', async (e) => {
    const file = (e.target as HTMLInputElement).files?.[0];
    if (file) await chooseFile(file);
  });
  document.addEventListener('dragover', (e) => {
    e.preventDefault();
    document.body.classList.add('dragging');
  });
  document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
  document.addEventListener('drop', async (e) => {
    e.preventDefault();
    document.body.classList.remove('dragging');
    const file = e.dataTransfer?.files[0];
    if (file) await chooseFile(file);
  });
  $('run-form').addEventListener('submit', (e) => {
    e.preventDefault();
    void listReading.then(run);
  });
  $('save-result').addEventListener('click', () => {
    if (completed?.run.result_file) download(completed.run.result_file, completed.resultName, 'text/csv');
  });
  $('save-json').addEventListener('click', () => {
    if (!completed?.assessment) return;
    const base = completed.resultName.replace(/\.csv$/, '');
    download(completed.assessment.json, `${base}.assessment.json`, 'application/json');
  });
  $('print').addEventListener('click', () => window.print());
  $('reassess').addEventListener('click', assess);
  $<HTMLInputElement>('inverter-file').addEventListener('change', (e) => {
    void chooseProfile((e.target as HTMLInputElement).files?.[0] ?? null);
  });
  $('inverter-clear').addEventListener('click', () => void chooseProfile(null));
  $('colour-by').addEventListener('change', refreshViews);
  $('wiring').addEventListener('change', refreshViews);
  const searchBox = $<HTMLInputElement>('search');
  searchBox.addEventListener('input', () => search(false));
  searchBox.addEventListener('keydown', (e) => {
    if (e.key === 'Enter') {
      e.preventDefault();
      search(true);
    }
  });
  document.body.dataset.openMs = performance.now().toFixed(0); // since the page was opened
  document.body.dataset.ready = 'yes';
  setTimeout(() => {
    worker.warm();
    warmUp();
  }, 0);
}

void start().catch((err: unknown) => showMessage(String(err), 'error'));
