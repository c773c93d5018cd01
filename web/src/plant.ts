// The plant tab (発電所): one or more module lists and a layout, planned as
// voltrigg-cli plant plans them, by the same core in a worker; the summary,
// the three files saved as the core wrote them, and a serial's place.
import type { Core, OptionRow, PageFile } from './core';
import { download } from './download';
import type { PlantCore } from './plant_core';
import { PlantWorker, type PlantReply } from './plant_worker';

const $ = <T extends HTMLElement>(id: string) => document.getElementById(id) as T;

// The core reads at most 1 GiB of one list; a page holds far less in its
// memory, so a file above this is refused before it is read.
const kLargestPlantFileBytes = 512 * 1024 * 1024;

let plantCore: PlantCore;
let optionRows: OptionRow[] = [];
let lists: PageFile[] = [];
let layout: PageFile | null = null;
let planned: { base: string; reply: PlantReply } | null = null;
let reading: Promise<void> = Promise.resolve();
const worker = new PlantWorker();
let onPage = false; // no worker in this browser: planned on the page's thread

// One line each, so that a long refusal wraps under its own indent and the
// next one stands apart.
function showMessage(text: string, kind: 'info' | 'error'): void {
  const box = $('plant-message');
  box.replaceChildren(...(text === '' ? [] : text.split('\n')).map((line) =>
    Object.assign(document.createElement('span'), { className: 'line', textContent: line })));
  box.className = kind;
}

function showFiles(): void {
  $('plant-list-names').replaceChildren(...lists.map((f) =>
    Object.assign(document.createElement('li'), { textContent: f.name })));
  $('plant-list-count').textContent = lists.length === 0 ? 'なし' : `${lists.length} 個`;
  $('plant-clear-lists').hidden = lists.length === 0;
  $('plant-layout-name').textContent = layout?.name ?? '';
}

async function readFile(file: File): Promise<PageFile | null> {
  if (file.size > kLargestPlantFileBytes) {
    showMessage(`ファイルが大きすぎます: ${file.name} (${file.size} バイト)`, 'error');
    return null;
  }
  try {
    return { name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) };
  } catch (err) {
    showMessage(`ファイルを読み込めません: ${file.name} (${String(err)})`, 'error');
    return null;
  }
}

// Lists are added (a list picked again replaces the one of its name); a layout replaces the layout.
function addFiles(files: File[], role: 'list' | 'layout' | 'by-content'): Promise<void> {
  reading = reading.then(async () => {
    for (const file of files) {
      const read = await readFile(file);
      if (!read) continue;
      const kind = role === 'by-content' ? plantCore.plantFileRole(read.bytes) : role;
      if (kind === 'layout') {
        layout = read;
      } else {
        lists = [...lists.filter((f) => f.name !== read.name), read];
      }
    }
    showFiles();
  });
  return reading;
}

function buildFields(rows: OptionRow[]): void {
  const fields = rows.map((row) => {
    const label = document.createElement('label');
    label.title = row.help;
    const id = `plant-${row.key}`;
    if (row.kind === 'extras') {
      const select = Object.assign(document.createElement('select'), { id });
      for (const [value, text] of [['voc,isc', 'Voc, Isc'], ['isc,voc', 'Isc, Voc']]) {
        select.append(Object.assign(document.createElement('option'), { value, textContent: text }));
      }
      select.value = row.default;
      label.append(`${row.label} `, select);
    } else {
      const input = Object.assign(document.createElement('input'), { id, value: row.default });
      input.inputMode = 'decimal';
      label.append(`${row.label} `, input);
    }
    return label;
  });
  $('plant-condition-fields').replaceChildren(...fields);
}

function readOptions(): Record<string, string> {
  const options: Record<string, string> = {};
  for (const row of optionRows) options[row.member] = $<HTMLInputElement | HTMLSelectElement>(`plant-${row.key}`).value;
  options.sort = $<HTMLSelectElement>('plant-sort').value;
  options.pallet_window = $<HTMLInputElement>('plant-pallet-window').value;
  return options;
}

// "BASE": the name typed, its last part, as a browser saves a file.
function baseName(): string {
  const typed = $<HTMLInputElement>('plant-output').value.trim();
  const last = typed.split(/[\\/]/).pop() ?? '';
  return last === '' ? 'plant' : last;
}

function showProgress(stage: number | null, text: string): void {
  const bar = $<HTMLProgressElement>('plant-progress');
  bar.hidden = stage === null;
  if (stage !== null) bar.value = stage;
  $('plant-stage').textContent = text;
}

async function plan(): Promise<void> {
  await reading;
  if (lists.length === 0 || !layout) {
    showMessage(lists.length === 0 ? 'モジュールリストを選んでください' : 'レイアウト (PLANT.json) を選んでください', 'error');
    return;
  }
  planned = null;
  $('plant-results').hidden = true;
  $('plant-warnings').replaceChildren();
  $('plant-search-result').textContent = '';
  showMessage('', 'info');
  showProgress(0, '計画を始めています');
  const base = baseName();
  const button = $<HTMLButtonElement>('plant-run');
  button.disabled = true;
  delete document.body.dataset.plantMs;
  let reply: PlantReply;
  try {
    reply = onPage ? planOnPage(lists, layout)
      : await worker.plan(lists, layout, readOptions(), (step) => showProgress(step.stage, step.text));
  } catch (err) {
    if (String(err).includes('no worker') && !onPage) {
      // A browser that refuses a worker made from a Blob: planned on the page's own thread.
      onPage = true;
      button.disabled = false;
      return plan();
    }
    showProgress(null, '');
    button.disabled = false;
    if ((err as Error).message !== 'cancelled') showMessage(`計画できません: ${String(err)}`, 'error');
    return;
  }
  button.disabled = false;
  showProgress(null, '');
  document.body.dataset.plantMs = reply.plan_ms.toFixed(1);
  document.body.dataset.plantExit = String(reply.exit_status);
  $('plant-warnings').replaceChildren(...reply.warnings.map((w) =>
    Object.assign(document.createElement('li'), { textContent: w })));
  if (reply.refusals.length > 0 || !reply.register_csv) {
    showMessage(reply.refusals.join('\n'), 'error');
    return;
  }
  planned = { base, reply };
  for (const [id, suffix] of [['save-register', '.register.csv'], ['save-picklist', '.picklist.csv'],
    ['save-plant', '.plant.json']]) {
    $(id).querySelector('.suffix')!.textContent = `${base}${suffix}`;
  }
  $('plant-summary').replaceChildren(...reply.summary.map((line) =>
    Object.assign(document.createElement('p'), { textContent: line })));
  showMessage(reply.exit_status === 0 ? '計画しました' : '計画しました (不適合の検査があります)',
    reply.exit_status === 0 ? 'info' : 'error');
  $('plant-results').hidden = false;
}

// Without a worker: the same core on the page's thread (the page waits meanwhile).
function planOnPage(picked: PageFile[], layoutFile: PageFile): PlantReply {
  const started = performance.now();
  const value = plantCore.planPlant(picked, layoutFile, { ...readOptions(), language: 'ja' });
  return { ...value, plan_ms: performance.now() - started };
}

async function search(): Promise<void> {
  const serial = $<HTMLInputElement>('plant-search').value;
  const out = $('plant-search-result');
  if (!planned || serial.trim() === '') {
    out.textContent = '';
    return;
  }
  try {
    const place = onPage ? plantCore.findPlantSerial(serial, 'ja') : await worker.find(serial);
    out.textContent = place.text;
    out.className = place.found ? '' : 'error';
  } catch (err) {
    out.textContent = String(err);
  }
}

// The tabs are one stop of the keyboard's Tab order (the selected one); the
// arrow keys move between them.
function selectTab(plant: boolean): void {
  $('tab-array').setAttribute('aria-selected', String(!plant));
  $('tab-plant').setAttribute('aria-selected', String(plant));
  $('tab-array').tabIndex = plant ? -1 : 0;
  $('tab-plant').tabIndex = plant ? 0 : -1;
  $('array-page').hidden = plant;
  $('plant-page').hidden = !plant;
}

export function plantTabActive(): boolean {
  return !$('plant-page').hidden;
}

// Files dropped on the page while the plant tab shows: a layout by its
// content (a JSON object), the rest as lists.
export function dropOnPlant(files: File[]): Promise<void> {
  return addFiles(files, 'by-content');
}

// The line the array's run shows after refusing strings above 20 or more than 1000 modules.
export function plantTabHint(): string {
  return plantCore.plantTabHint('ja');
}

export function wirePlant(core: Core): void {
  plantCore = core as unknown as PlantCore;
  showFiles();
  optionRows = plantCore.plantOptionTable('ja');
  buildFields(optionRows);
  $('tab-array').addEventListener('click', () => selectTab(false));
  $('tab-plant').addEventListener('click', () => selectTab(true));
  for (const id of ['tab-array', 'tab-plant']) {
    $(id).addEventListener('keydown', (e) => {
      const key = (e as KeyboardEvent).key;
      if (key !== 'ArrowLeft' && key !== 'ArrowRight') return;
      e.preventDefault();
      const plant = !plantTabActive();
      selectTab(plant);
      $(plant ? 'tab-plant' : 'tab-array').focus();
    });
  }
  $<HTMLInputElement>('plant-lists').addEventListener('change', (e) => {
    const input = e.target as HTMLInputElement;
    void addFiles([...(input.files ?? [])], 'list').then(() => { input.value = ''; });
  });
  $<HTMLInputElement>('plant-layout').addEventListener('change', (e) => {
    const input = e.target as HTMLInputElement;
    void addFiles([...(input.files ?? [])], 'layout').then(() => { input.value = ''; });
  });
  $('plant-clear-lists').addEventListener('click', () => {
    lists = [];
    showFiles();
  });
  $('plant-form').addEventListener('submit', (e) => {
    e.preventDefault();
    void plan();
  });
  const save = (id: string, pick: (r: PlantReply) => Uint8Array | undefined, suffix: string, type: string) =>
    $(id).addEventListener('click', () => {
      const bytes = planned ? pick(planned.reply) : undefined;
      if (planned && bytes) download(bytes, `${planned.base}${suffix}`, type);
    });
  save('save-register', (r) => r.register_csv, '.register.csv', 'text/csv');
  save('save-picklist', (r) => r.picklist_csv, '.picklist.csv', 'text/csv');
  save('save-plant', (r) => r.plant_json, '.plant.json', 'application/json');
  $('plant-search').addEventListener('input', () => void search());
  $('plant-search').addEventListener('keydown', (e) => {
    if ((e as KeyboardEvent).key === 'Enter') void search();
  });
}
