// The page: the window's inputs and its run, the result download, a result
// file opened with its list, the physical assessment in a worker, the array
// picture, the charts, the wiring table with its search (typed, scanned by a
// scanner that types or by the camera), the commissioning check of the
// result's strings, the printed wiring plan and report, and the plant tab (plant.ts).
import 'uplot/dist/uPlot.min.css';
import './style.css';

import { AssessWorker, type AssessRequest, type FirstPart } from './assess_worker';
import { drawCharts, drawWindowChart } from './charts';
import { buildCommissionFields, commissionActive, openMeasurementBytes, parkCommissioning, plantFilesApart, recheckCommissioning, restartCommissioning, startCommissioning, stopCommissioning, wireCommissioning } from './commission';
import { coreFactory, messageText, type AssessProgress, type AssessmentValue, type Conditions, type Core, type InverterProfileFile, type InverterWindowValue, type OpenValue, type OptionRow, type PageFile, type PlanViews, type ResultValue, type RunValue } from './core';
import { download } from './download';
import { dropOnPlant, plantTabActive, plantTabHint, wirePlant } from './plant';
import { findSerial, fixed, planViewOf, type ColourBy, type PlanView } from './plan';
import { markFailedStrings, renderPicture, renderPlan, renderWiringTable, type SortState } from './render';
import { wireScanner } from './scan';
import { forgetOpened, lastOpened, rememberOpened } from './store';

const $ = <T extends HTMLElement>(id: string) => document.getElementById(id) as T;

interface ListFile {
  name: string;
  bytes: Uint8Array;
}

// The result shown: one the page has just planned, or one opened from its
// files. Both are the same to everything but the assessment's request.
interface Completed {
  kind: 'run' | 'open';
  result: ResultValue;
  resultFile: Uint8Array;
  planViews: { result: PlanViews };
  listFile: ListFile | null; // null: a result opened without its list
  listMatches: boolean; // the list holds exactly the result's modules
  series: string; // the run's texts (a run only)
  parallel: string;
  output: string;
  resultName: string; // OUTPUT.csv, or the opened file's name
  assessment?: AssessmentValue;
}

// A module list holds at most 2001 rows; a file far larger is not one, and
// copying it into the WebAssembly memory could exhaust it.
const kLargestListBytes = 32 * 1024 * 1024;

// The core refuses a profile above 64 KiB with its own message; a file far
// larger is not read into the page at all.
const kLargestProfileBytes = 4 * 1024 * 1024;

let core: Core;
let optionRows: OptionRow[] = [];
let listFile: ListFile | null = null;
let inverterProfile: InverterProfileFile | null = null;
let completed: Completed | null = null;
let view: PlanView | null = null;
let sort: SortState = { column: 'string', descending: false };
let markedSerialKey: string | null = null;
let failedStrings = new Set<number>(); // of the commissioning check, outlined in the picture
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

// The conditions' fields from the core's option table, each with its label,
// default and help (range and default); their ids are the options' keys.
function buildConditionFields(rows: OptionRow[]): void {
  const fields = rows.map((row) => {
    const label = document.createElement('label');
    label.title = row.help;
    if (row.kind === 'extras') {
      const select = Object.assign(document.createElement('select'), { id: row.key });
      for (const [value, text] of [['voc,isc', 'Voc, Isc'], ['isc,voc', 'Isc, Voc']]) {
        select.append(Object.assign(document.createElement('option'), { value, textContent: text }));
      }
      select.value = row.default;
      label.append(`${row.label} `, select);
    } else {
      const input = Object.assign(document.createElement('input'), { id: row.key, value: row.default });
      input.inputMode = 'decimal';
      label.append(`${row.label} `, input);
    }
    return label;
  });
  $('condition-fields').replaceChildren(...fields);
}

// The assessment's options as typed, by the member each field sets; the core
// checks them as voltrigg-cli does and names a refused one by its label.
function readConditions(): Conditions {
  const typed: Record<string, string> = {};
  for (const row of optionRows) typed[row.member] = $<HTMLInputElement | HTMLSelectElement>(row.key).value;
  return {
    assess: true,
    ...typed,
    language: 'ja',
    ...(inverterProfile ? { inverter: inverterProfile } : {}),
  } as Conditions;
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
    // Kept by the core for the commissioning check, with the modules' Voc and Isc as the extras say.
    r = core.run(listFile.bytes, listFile.name, series, parallel, output,
      { assess: false, keep: true, extras: extrasValue() } as unknown as Conditions);
  } catch (err) {
    // The core reports every failure of a run itself; this is the WebAssembly
    // machine giving out (memory). The page stays; a reload starts afresh.
    showMessage(`予期しないエラーが発生しました: ${String(err)}`, 'error');
    return;
  }
  const elapsedMs = performance.now() - started;
  document.body.dataset.runMs = elapsedMs.toFixed(1);
  const text = [
    ...r.messages.map(messageText),
    ...(r.check_facts ? [r.check_facts] : []),
    // Strings above 20 or more than 1000 modules: the page's own plant tab plans them.
    ...(r.plant_hint ? [plantTabHint()] : []),
  ].join('\n');
  const warnings = $('list-warnings');
  warnings.replaceChildren(...(r.list_warnings ?? []).map((w) =>
    Object.assign(document.createElement('li'), { textContent: `警告: ${w}` })));
  if (r.outcome !== 'completed' || !r.result_file || !r.result || !r.plan_views) {
    // Nothing of an earlier run stays on show beside a failed one.
    closeShown();
    showMessage(text, 'error');
    return;
  }
  showMessage(text, 'info');
  // A run shown replaces an opened result, which is not opened again after a reload.
  forgetOpened();
  setOpenState(null);
  show({ kind: 'run', result: r.result, resultFile: r.result_file, planViews: r.plan_views, listFile, listMatches: true,
    series, parallel, output, resultName: resultFileName(output) });
}

// What the page shows of a result, planned or opened.
function show(c: Completed): void {
  worker.cancel();
  completed = c;
  failedStrings = new Set();
  markedSerialKey = null;
  $<HTMLSelectElement>('wiring').value = 'result';
  $('save-result').textContent = `結果ファイル ${c.resultName} を保存`;
  $('save-result').hidden = c.kind !== 'run';
  $('downloads').hidden = false;
  $('results').hidden = false;
  showFigures(c);
  showAssessment(undefined);
  $('assess-text').textContent = '';
  $('assess-problems').replaceChildren();
  refreshViews();
  // Opened for the field, the check comes first; after a planning run, last.
  const section = $('commissioning');
  if (c.kind === 'open') $('figures').closest('.table-scroll')!.after(section);
  else $('results').append(section);
  if (c.listFile && c.listMatches) {
    startCommissioning({
      core,
      resultName: c.resultName,
      listName: c.listFile.name,
      resultBytes: c.resultFile,
      listBytes: c.listFile.bytes,
      shape: `${c.result.parallel} ストリング × ${c.result.series} 直列 (${c.result.rows.string_no.length} 枚)`,
      coefficients: commissionCoefficients,
      download,
      markFailed,
    });
  } else {
    stopCommissioning();
    $('commissioning').hidden = false;
    $('commission-body').hidden = true;
    $('commission-failure').textContent = c.listFile
      ? '試運転検査はできません: 結果ファイルと一致するモジュールリストが必要です'
      : '試運転検査には、結果ファイルと一緒にそのモジュールリストを開いてください';
  }
  $('jump-commissioning').hidden = false;
  assess();
}

// Nothing shown: after a failed run, or when the opened result is closed.
function closeShown(): void {
  worker.cancel();
  completed = null;
  view = null;
  parkCommissioning();
  $('results').hidden = true;
  $('downloads').hidden = true;
}

// A plant's strings checked: the plant file and its lists picked together,
// in place of the check of the result shown (whose picture loses its marks).
async function openPlantForCommissioning(picked: File[]): Promise<void> {
  let files: PageFile[];
  try {
    files = await Promise.all(picked.map(async (f) => ({ name: f.name, bytes: new Uint8Array(await f.arrayBuffer()) })));
  } catch (err) {
    $('plant-open-message').textContent = `ファイルを読み込めません: ${String(err)}`;
    return;
  }
  const plant = plantFilesApart(core, files);
  if (!plant) return;
  markFailed(new Set());
  startCommissioning({
    core,
    resultName: plant.file.name,
    listName: plant.lists.map((l) => l.name).join(', '),
    resultBytes: plant.file.bytes,
    listBytes: new Uint8Array(),
    shape: '',
    coefficients: commissionCoefficients,
    download,
    markFailed: () => {},
    plant,
  });
  $('commissioning').scrollIntoView({ block: 'start' });
}

function showFigures(c: Completed): void {
  // The figures as the result file writes them (lines 2 to 5).
  const lines = new TextDecoder('latin1').decode(c.resultFile).split(/\r?\n/);
  const fields = (k: number) => (lines[k] ?? '').split(',');
  const table = $<HTMLTableElement>('figures');
  const res = c.result;
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
  if (!completed.listFile || !completed.listMatches) {
    // The viewer's rule: the physical assessment needs the result's own modules.
    worker.cancel();
    completed.assessment = undefined;
    $<HTMLButtonElement>('save-json').disabled = true;
    $('assess-progress').hidden = true;
    $('assess-text').textContent = completed.listFile
      ? '評価できません: モジュールリストが結果ファイルと一致しません'
      : '評価できません: 結果ファイルのモジュールリストが開かれていません';
    showAssessment(undefined);
    refreshViews();
    return;
  }
  const conditions = readConditions();
  const status = $('assess-text');
  const progress = $<HTMLProgressElement>('assess-progress');
  $<HTMLButtonElement>('save-json').disabled = true;
  $('assess-problems').innerHTML = '';
  worker.cancel();
  const job = completed;
  const listOfJob = job.listFile!;
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
  const request: AssessRequest = job.kind === 'run'
    ? { kind: 'run', list: listOfJob.bytes, listName: listOfJob.name, series: job.series, parallel: job.parallel,
      output: job.output, conditions }
    : { kind: 'open', result: { name: job.resultName, bytes: job.resultFile }, list: listOfJob, conditions };
  void worker
    .assess(request, (first) => {
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
        // The same on the page's thread: slower to answer, same figures.
        const withProgress = conditions.assess ? { ...conditions, progress: showProgress } : conditions;
        if (job.kind === 'run') {
          const r = core.run(listOfJob.bytes, listOfJob.name, job.series, job.parallel, job.output, withProgress);
          reply = { outcome: r.outcome, assessment: r.assessment, assessment_problems: r.assessment_problems };
        } else {
          const o: OpenValue = core.openResult({ name: job.resultName, bytes: job.resultFile }, listOfJob, withProgress);
          const refusal = o.result_error ?? o.condition_fault ?? o.inverter_fault;
          reply = { outcome: o.outcome, assessment: o.assessment, assessment_problems: refusal ? [refusal] : undefined,
            assessment_note: o.assessment_note };
        }
      }
      progress.hidden = true;
      delete document.body.dataset.assessing;
      const seconds = ((performance.now() - started) / 1000).toFixed(2);
      document.body.dataset.assessMs = (performance.now() - started).toFixed(0);
      if (reply.assessment) {
        job.assessment = reply.assessment;
        status.textContent = `評価が終わりました (${seconds} 秒)`;
        // voltrigg-cli's file only for the list's own run.
        $<HTMLButtonElement>('save-json').disabled = !reply.assessment.json_same_as_cli;
        if (reply.assessment_note) {
          $('assess-problems').append(Object.assign(document.createElement('li'), { textContent: reply.assessment_note }));
        }
      } else {
        status.textContent = '評価できません (結果ファイルは出力済みです)';
        const list = $('assess-problems');
        for (const p of reply.assessment_problems ?? (reply.assessment_note ? [reply.assessment_note] : [reply.error ?? ''])) {
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

const wiringNameOf = (optimized: boolean) => (optimized ? '最適化した配線' : '結果ファイルの配線');

// The parts below the picture (the wiring table, the charts, the printed
// plan) of a large array are drawn just after the page has shown the rest.
let pendingViews: (() => void) | null = null;
let pendingTimer = 0;
const kDrawAtOnceModules = 200;

function drawPendingViews(): void {
  clearTimeout(pendingTimer);
  const draw = pendingViews;
  pendingViews = null;
  draw?.();
}

function refreshViews(): void {
  if (!completed) return;
  const shown = completed;
  const optimized = $<HTMLSelectElement>('wiring').value === 'optimized' && !!shown.assessment;
  // The core's plan of the wiring shown: after the assessment both wirings on one colour scale.
  const views = shown.assessment
    ? shown.assessment.plan_views[optimized ? 'optimized' : 'result']
    : shown.planViews.result;
  const colourBy = $<HTMLSelectElement>('colour-by').value as ColourBy;
  const shownView = planViewOf(views[colourBy], colourBy);
  view = shownView;
  const wiringName = wiringNameOf(optimized);
  // The commissioning check is of the result file's wiring.
  const failed = optimized ? new Set<number>() : failedStrings;
  renderPicture($('picture'), shownView, markedSerialKey, (text) => ($('hover-info').textContent = text), failed);
  setPageHeader(shown.resultName, wiringName);
  // The optimised wiring has a file of its own: OUTPUT-optimized.csv.
  const saveWiring = $<HTMLButtonElement>('save-wiring');
  saveWiring.hidden = !optimized;
  saveWiring.textContent = `最適化した配線 ${optimizedFileName(shown.resultName)} を保存`;
  pendingViews = () => {
    if (completed !== shown) return;
    renderWiringTable($<HTMLTableElement>('wiring-table'), shownView, sort, markedSerialKey, (next) => {
      sort = next;
      refreshViews();
    });
    drawCharts($('string-chart'), $('curve-chart'), shownView, shown.assessment, optimized);
    drawWindowChart($('window-chart'), shown.assessment?.inverter_window);
    renderPlan($('plan'), shownView, {
      resultName: shown.resultName,
      listName: shown.listFile?.name ?? '',
      figures: $<HTMLTableElement>('figures'),
      assessment: $<HTMLTableElement>('assessment'),
      verdict: $('verdict').textContent ?? '',
      noVerdict: noVerdictReason(),
      windowHeading: $('inverter-window').hidden ? '' : $('window-heading').textContent ?? '',
      windowTable: $('inverter-window').hidden ? null : $<HTMLTableElement>('window-table'),
      windowVerdict: $('window-verdict').textContent ?? '',
      wiringName,
    }, failed);
    document.body.dataset.viewsDrawn = String(Number(document.body.dataset.viewsDrawn ?? 0) + 1);
  };
  clearTimeout(pendingTimer);
  if (shownView.series * shownView.parallel <= kDrawAtOnceModules) {
    drawPendingViews();
  } else {
    requestAnimationFrame(() => {
      pendingTimer = window.setTimeout(drawPendingViews, 0);
    });
  }
}

const optimizedFileName = (resultName: string) => `${resultName.replace(/\.csv$/i, '')}-optimized.csv`;

// Why a plan has no voltage verdict: the assessment refused or not (yet) made.
function noVerdictReason(): string {
  if ($('verdict').textContent) return '';
  const why = [$('assess-text').textContent ?? '', ...[...$('assess-problems').children].map((li) => li.textContent ?? '')]
    .filter((t) => t.trim() !== '').join(' ');
  return `電圧チェックはありません: ${why || '物理評価がされていません'}`;
}

// The strings that failed the commissioning check, outlined in the picture.
function markFailed(failed: Set<number>): void {
  const same = failed.size === failedStrings.size && [...failed].every((n) => failedStrings.has(n));
  failedStrings = failed;
  if (same) return;
  const optimized = $<HTMLSelectElement>('wiring').value === 'optimized' && !!completed?.assessment;
  const shown = optimized ? new Set<number>() : failed;
  markFailedStrings($('picture'), shown);
  markFailedStrings($('plan'), shown);
}

function search(select: boolean): void {
  const input = $<HTMLInputElement>('search');
  const out = $('search-result');
  if (!view) return;
  const optimized = $<HTMLSelectElement>('wiring').value === 'optimized' && !!completed?.assessment;
  const cell = findSerial(view, input.value);
  if (!cell) {
    markedSerialKey = null;
    out.textContent = input.value.trim() === '' ? '' : `見つかりません: ${input.value.trim()}`;
  } else {
    markedSerialKey = `${cell.string_no}:${cell.position}`;
    // The answer names the wiring it is for.
    out.textContent = `ストリング ${cell.string_no} の ${cell.position} 番目 (モジュール番号 ${cell.module_no}、` +
      `${wiringNameOf(optimized)})`;
  }
  drawPendingViews();
  markModule(markedSerialKey);
  $('wiring-table').querySelector('tr.marked')?.scrollIntoView({ block: 'nearest' });
  document.querySelector('#picture .marked')?.scrollIntoView({ block: 'nearest', inline: 'center' });
  // A scanner types the next code over this one.
  if (select) input.select();
}

// The module found, marked in the picture and the table without redrawing them.
function markModule(key: string | null): void {
  for (const g of $('picture').querySelectorAll<SVGGElement>('g.module')) {
    g.classList.toggle('marked', g.dataset.key === key);
  }
  for (const tr of $<HTMLTableElement>('wiring-table').tBodies[0]?.rows ?? []) {
    tr.classList.toggle('marked', tr.dataset.key === key);
  }
}

// The result file's name and the wiring shown in every printed page's header
// (from the print button or the browser's own print command), as a CSS string.
function setPageHeader(resultName: string, wiringName: string): void {
  const text = `${resultName} — ${wiringName}`.replace(/[\u0000-\u001f\u007f]/g, '').replace(/[\\"]/g, (c) => `\\${c}`);
  let style = document.getElementById('page-header') as HTMLStyleElement | null;
  if (!style) {
    style = document.createElement('style');
    style.id = 'page-header';
    document.head.append(style);
  }
  style.textContent = `@media print { @page plan { @top-left { content: "${text}"; } } }`;
}

// The plan printed under a title that names the result and the wiring: a
// browser offers it as the PDF's file name.
function printPlan(): void {
  if (!completed) return;
  const optimized = $<HTMLSelectElement>('wiring').value === 'optimized' && !!completed.assessment;
  const base = completed.resultName.replace(/\.csv$/i, '');
  const title = document.title;
  document.title = `${optimized ? `${base}-optimized` : base} 配線図 (${wiringNameOf(optimized)})`;
  delete document.body.dataset.print;
  drawPendingViews();
  const restore = () => {
    document.title = title;
    window.removeEventListener('afterprint', restore);
  };
  window.addEventListener('afterprint', restore);
  window.print();
}

// The value of the extras field ("voc,isc" or "isc,voc").
function extrasValue(): string {
  return (document.getElementById('extras') as HTMLSelectElement | null)?.value ?? 'voc,isc';
}

// The commissioning check's coefficients are the assessment's fields, as in the viewer.
function commissionCoefficients(): Record<string, string> {
  const out: Record<string, string> = { extras: extrasValue() };
  for (const row of optionRows) {
    if (row.member === 'voc_coefficient_pct_per_k' || row.member === 'isc_coefficient_pct_per_k') {
      out[row.member] = $<HTMLInputElement>(row.key).value;
    }
  }
  return out;
}

// --- Opening a result file with its list ------------------------------------

// A file far larger than any result or list is not read into the page.
const kLargestOpenedBytes = 32 * 1024 * 1024;

async function readFiles(files: File[]): Promise<PageFile[] | null> {
  const out: PageFile[] = [];
  for (const file of files) {
    if (file.size > kLargestOpenedBytes) {
      showOpenMessage(`ファイルが大きすぎます (${(file.size / 1048576).toFixed(0)} MiB、32 MiB まで): ${file.name}`, 'error');
      return null;
    }
    try {
      out.push({ name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) });
    } catch (err) {
      showOpenMessage(`ファイルを読み込めません: ${file.name} (${String(err)})`, 'error');
      return null;
    }
  }
  return out;
}

function showOpenMessage(text: string, kind: 'info' | 'error'): void {
  const box = $('open-message');
  box.textContent = text;
  box.className = kind;
}

function setOpenState(notes: string[] | null): void {
  $('open-notes').replaceChildren(...(notes ?? []).map((n) =>
    Object.assign(document.createElement('li'), { textContent: n })));
  $('close-opened').hidden = notes === null;
  if (notes === null) showOpenMessage('', 'info');
}

// Files picked or dropped together: the result, its list and a measurement
// file, told apart by the core as the viewer tells them apart.
async function openFiles(files: PageFile[]): Promise<void> {
  const started = performance.now();
  const apart = core.tellFilesApart(files);
  if (apart.refused) {
    const why = apart.refused === 'two_results' ? '結果ファイルが 2 つあります'
      : apart.refused === 'two_lists' ? '結果ファイルのほかにモジュールリストが 2 つあります'
        : apart.refused === 'two_measurements' ? '測定ファイルが 2 つあります'
        : '結果ファイルがありません';
    showOpenMessage(`開けません: ${why}${apart.reasons?.length ? ` (${apart.reasons.join('、')})` : ''}`, 'error');
    return;
  }
  const result = files[apart.result!];
  const list = apart.list !== undefined && apart.list >= 0 ? files[apart.list] : null;
  const measurements = apart.measurements !== undefined && apart.measurements >= 0 ? files[apart.measurements] : null;
  const o = core.openResult(result, list, { assess: false, keep: true, extras: extrasValue() });
  if (o.outcome !== 'completed' || !o.result || !o.plan_views || !o.result_file) {
    showOpenMessage(`結果ファイル ${result.name} を開けません: ${o.result_error ?? ''}`, 'error');
    return;
  }
  const listMatches = o.list_state === 'matches';
  const notes: string[] = [];
  if (!list) notes.push(`モジュールリスト (結果ファイルの 1 行目: ${o.result.input_name}) も一緒に開くと、物理評価と試運転検査ができます`);
  else notes.push(o.list_status ?? '');
  notes.push(...(o.list_differences ?? []), ...(o.list_warnings ?? []).map((w) => `警告: ${w}`));
  if (o.assessment_note) notes.push(o.assessment_note);
  const kept = rememberOpened(result, list);
  if (!kept.ok) notes.push(`次に開いたときのために結果ファイルを保存できません: ${kept.reason}`);
  showOpenMessage(`結果ファイル ${result.name} を開きました`, listMatches ? 'info' : 'error');
  setOpenState(notes);
  showMessage('', 'info');
  $('list-warnings').replaceChildren();
  show({ kind: 'open', result: o.result, resultFile: o.result_file, planViews: o.plan_views,
    listFile: list, listMatches, series: String(o.result.series), parallel: String(o.result.parallel), output: '',
    resultName: result.name });
  document.body.dataset.openResultMs = (performance.now() - started).toFixed(1);
  // The parts drawn after the first paint, timed from the same start.
  requestAnimationFrame(() => setTimeout(() => {
    drawPendingViews();
    document.body.dataset.openResultAllMs = (performance.now() - started).toFixed(1);
  }, 0));
  if (measurements && commissionActive()) await openMeasurementBytes(measurements.name, measurements.bytes);
  if (commissionActive()) $('commissioning').scrollIntoView({ block: 'start' });
}

// True when the core takes the file for a plant file by its beginning, the
// only part it looks at: a plant's lists may be large, so no more is read.
async function startsAsPlantFile(file: File): Promise<boolean> {
  try {
    return core.plantFileKind(new Uint8Array(await file.slice(0, 4096).arrayBuffer())) === 'plant';
  } catch {
    return false;
  }
}

// Files dropped outside the plant tab. A plant file among them: a plant's
// strings to check, with its lists. Several others: a result with its list
// and a measurement file, told apart by the core. One: a measurement file
// goes to the check, a result is opened, anything else is the planning
// run's list.
async function dropped(files: File[]): Promise<void> {
  if ((await Promise.all(files.map(startsAsPlantFile))).some((plant) => plant)) {
    await openPlantForCommissioning(files);
    return;
  }
  if (files.length > 1) {
    if (files.length > 3) {
      showOpenMessage('結果ファイル、モジュールリストと測定ファイルの 3 つまで選んでください', 'error');
      return;
    }
    const read = await readFiles(files);
    if (read) await openFiles(read);
    return;
  }
  const [file] = files;
  if (file.size <= kLargestOpenedBytes) {
    const read = await readFiles([file]);
    if (!read) return;
    const apart = core.tellFilesApart(read);
    if (apart.measurements === 0) {
      if (commissionActive()) await openMeasurementBytes(read[0].name, read[0].bytes);
      else showOpenMessage('測定ファイルを確かめる結果ファイルを先に開いてください', 'error');
      return;
    }
    if (apart.result === 0) {
      await openFiles(read);
      return;
    }
  }
  await chooseFile(file);
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
  optionRows = core.optionTable('ja');
  buildConditionFields(optionRows);
  buildCommissionFields(core);
  wireCommissioning();
  parkCommissioning();
  $<HTMLInputElement>('plant-commission-files').addEventListener('change', (e) => {
    const input = e.target as HTMLInputElement;
    const files = [...(input.files ?? [])];
    if (files.length > 0) void openPlantForCommissioning(files).finally(() => (input.value = ''));
  });
  wirePlant(core);
  const identity = core.identity();
  document.title = identity.caption;
  $('caption').textContent = identity.caption;
  $('copyright').textContent = identity.copyright;

  $<HTMLInputElement>('list-file').addEventListener('change', async (e) => {
    const file = (e.target as HTMLInputElement).files?.[0];
    if (file) await chooseFile(file);
  });
  $<HTMLInputElement>('open-files').addEventListener('change', async (e) => {
    const input = e.target as HTMLInputElement;
    const files = [...(input.files ?? [])];
    if (files.length > 3) {
      showOpenMessage('結果ファイル、モジュールリストと測定ファイルの 3 つまで選んでください', 'error');
    } else if (files.length > 0) {
      const read = await readFiles(files);
      if (read) await openFiles(read);
    }
    input.value = '';
  });
  $('close-opened').addEventListener('click', () => {
    forgetOpened();
    setOpenState(null);
    closeShown();
  });
  document.addEventListener('dragover', (e) => {
    e.preventDefault();
    document.body.classList.add('dragging');
  });
  document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
  document.addEventListener('drop', async (e) => {
    e.preventDefault();
    document.body.classList.remove('dragging');
    const files = [...(e.dataTransfer?.files ?? [])];
    if (files.length > 0 && plantTabActive()) await dropOnPlant(files);
    else if (files.length > 0) await dropped(files);
  });
  $('run-form').addEventListener('submit', (e) => {
    e.preventDefault();
    void listReading.then(run);
  });
  $('save-result').addEventListener('click', () => {
    if (completed?.kind === 'run') download(completed.resultFile, completed.resultName, 'text/csv');
  });
  $('save-wiring').addEventListener('click', () => {
    if (completed?.assessment) download(completed.assessment.optimized_csv, optimizedFileName(completed.resultName), 'text/csv');
  });
  $('save-json').addEventListener('click', () => {
    if (!completed?.assessment?.json_same_as_cli) return;
    const base = completed.resultName.replace(/\.csv$/, '');
    download(completed.assessment.json, `${base}.assessment.json`, 'application/json');
  });
  $('print').addEventListener('click', printPlan);
  // The browser's own print command prints what is drawn: nothing left pending.
  window.addEventListener('beforeprint', drawPendingViews);
  $('reassess').addEventListener('click', assess);
  // The coefficients are the commissioning check's too; the extras choose its modules' Voc and Isc.
  $('condition-fields').addEventListener('input', (e) => {
    if (!completed) return;
    if ((e.target as HTMLElement).id === 'extras') reopenForExtras();
    else recheckCommissioning();
  });
  $<HTMLInputElement>('inverter-file').addEventListener('change', (e) => {
    void chooseProfile((e.target as HTMLInputElement).files?.[0] ?? null);
  });
  $('inverter-clear').addEventListener('click', () => void chooseProfile(null));
  $('colour-by').addEventListener('change', refreshViews);
  $('wiring').addEventListener('change', () => {
    refreshViews();
    search(false);
  });
  const searchBox = $<HTMLInputElement>('search');
  searchBox.addEventListener('input', () => search(false));
  searchBox.addEventListener('keydown', (e) => {
    if (e.key === 'Enter') {
      e.preventDefault();
      search(true);
    }
  });
  wireScanner((code) => {
    searchBox.value = code;
    search(true);
  });
  document.body.dataset.openMs = performance.now().toFixed(0); // since the page was opened
  // What was opened last comes back, with everything typed for it.
  const last = lastOpened();
  if (last) await openFiles(last.list ? [last.result, last.list] : [last.result]);
  document.body.dataset.ready = 'yes';
  setTimeout(() => {
    worker.warm();
    warmUp();
  }, 0);
}

// The extras decide the modules' Voc and Isc: the result shown is kept
// again with them for the commissioning check, which starts afresh.
function reopenForExtras(): void {
  if (!completed?.listFile) return;
  core.openResult({ name: completed.resultName, bytes: completed.resultFile }, completed.listFile,
    { assess: false, keep: true, extras: extrasValue() });
  restartCommissioning();
}

void start().catch((err: unknown) => showMessage(String(err), 'error'));
