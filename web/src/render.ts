// The array picture, the wiring table and the printed plan, drawn from a PlanView.
import { fixed, floatText, type ModuleCell, type PlanView } from './plan';

const SVG = 'http://www.w3.org/2000/svg';

function svg<K extends keyof SVGElementTagNameMap>(name: K, attrs: Record<string, string | number>): SVGElementTagNameMap[K] {
  const e = document.createElementNS(SVG, name);
  for (const [k, v] of Object.entries(attrs)) e.setAttribute(k, String(v));
  return e;
}

export function cellKey(c: ModuleCell): string {
  return `${c.string_no}:${c.position}`;
}

function hoverText(c: ModuleCell, view: PlanView): string {
  const by = view.colour_by === 'ipm' ? 'Ipm' : 'Vpm';
  return `ストリング ${c.string_no} の ${c.position} 番目: モジュール番号 ${c.module_no}, S/N ${c.serial}, ` +
    `Vpm ${floatText(c.vpm_v)} V, Ipm ${floatText(c.ipm_a)} A, ${by} の偏差 ${c.deviation_pct.toFixed(2)} %`;
}

// The columns a text takes: a Japanese (wide) character two, any other one.
function textColumns(text: string): number {
  let columns = 0;
  for (const ch of text) columns += /[\u1100-\u115f\u2e80-\ua4cf\uac00-\ud7a3\uf900-\ufaff\ufe30-\ufe4f\uff00-\uff60\uffe0-\uffe6]/u.test(ch) ? 2 : 1;
  return columns;
}

// A serial number in its box: whole, on one line or two; a line too long for
// the box is drawn narrower (textLength), never cut and never past the edge.
function serialLines(serial: string, x: number, y: number, width: number): SVGTextElement[] {
  const perLine = 15; // columns on one line; narrower drawn where they do not fit
  const chars = [...serial];
  const lines: string[] = [];
  if (textColumns(serial) <= perLine || chars.length <= 1) {
    lines.push(serial);
  } else {
    const half = Math.ceil(chars.length / 2);
    lines.push(chars.slice(0, half).join(''), chars.slice(half).join(''));
  }
  return lines.map((line, k) => {
    const t = svg('text', { x, y: lines.length === 1 ? y + 6 : y + k * 11, class: 'serial' });
    t.textContent = line;
    const estimated = textColumns(line) * 5.4; // [px] at the serial's 9 px
    if (estimated > width) {
      t.setAttribute('textLength', String(width));
      t.setAttribute('lengthAdjust', 'spacingAndGlyphs');
    }
    return t;
  });
}

// One row per string, one box per module in series order; each row ends with
// the string's Σ Vpm, its current and its cold open-circuit voltage; a string
// above the voltage limit in red, one that failed the commissioning check
// outlined in red.
export function renderPicture(host: HTMLElement, view: PlanView, marked: string | null,
  onHover: (text: string) => void, failed: Set<number> = new Set()): void {
  const box = { w: 74, h: 44, gap: 4 };
  const left = 64;
  const right = 260;
  const width = left + view.series * (box.w + box.gap) + right;
  const height = view.parallel * (box.h + box.gap) + 24;
  const root = svg('svg', { viewBox: `0 0 ${width} ${height}`, width, height, role: 'img',
    'aria-label': `アレイ図: ${view.parallel} ストリング × ${view.series} 直列` });
  const head = svg('text', { x: left + view.series * (box.w + box.gap) + 8, y: 14, class: 'head' });
  head.textContent = 'Σ Vpm [V] / 電流 [A] / 低温 Voc [V]';
  root.append(head);
  view.strings.forEach((s, j) => {
    const y = 20 + j * (box.h + box.gap);
    const label = svg('text', { x: 4, y: y + box.h / 2 + 4, class: s.over_limit ? 'label over' : 'label' });
    label.textContent = `S${s.string_no}`;
    root.append(label);
    // Drawn for every string, shown for those that failed the commissioning check (markFailedStrings).
    const outline = svg('rect', { x: left - 3, y: y - 2, width: view.series * (box.w + box.gap) + 2, height: box.h + 4,
      rx: 4, class: 'commission-outline', 'data-string': s.string_no });
    const note = svg('text', { x: 4, y: y + box.h / 2 + 16, class: 'failed-label', 'data-string': s.string_no });
    note.textContent = '不合格';
    root.append(outline, note);
    s.cells.forEach((c, k) => {
      const x = left + k * (box.w + box.gap);
      const g = svg('g', { class: marked === cellKey(c) ? 'module marked' : 'module', 'data-key': cellKey(c) });
      const rect = svg('rect', { x, y, width: box.w, height: box.h, rx: 3, fill: c.colour });
      const title = svg('title', {});
      title.textContent = hoverText(c, view);
      const no = svg('text', { x: x + 4, y: y + 14, class: 'no' });
      no.textContent = floatText(c.module_no);
      g.append(rect, title, no, ...serialLines(c.serial, x + 4, y + 27, box.w - 8));
      g.addEventListener('mouseenter', () => onHover(hoverText(c, view)));
      root.append(g);
    });
    const sums = svg('text', { x: left + view.series * (box.w + box.gap) + 8, y: y + box.h / 2 + 4,
      class: s.over_limit ? 'sums over' : 'sums' });
    sums.textContent = `${fixed(s.vpm_sum_v, 2)} / ${fixed(s.current_a, 3)}` +
      (s.voc_cold_v !== undefined ? ` / ${fixed(s.voc_cold_v, 1)}` : '') + (s.over_limit ? ' 上限超過' : '');
    root.append(sums);
  });
  host.replaceChildren(root);
  markFailedStrings(host, failed);
}

// Shows the outline of each string in `failed` and hides the others': no
// redrawing, so that a typed value's row is answered at once.
export function markFailedStrings(host: HTMLElement, failed: Set<number>): void {
  for (const e of host.querySelectorAll<SVGElement>('.commission-outline, .failed-label')) {
    e.classList.toggle('failed', failed.has(Number(e.dataset.string)));
  }
}

export type SortColumn = 'string' | 'position' | 'no' | 'serial' | 'vpm' | 'ipm' | 'deviation';
export interface SortState {
  column: SortColumn;
  descending: boolean;
}

const columns: [SortColumn, string][] = [
  ['string', 'ストリング'],
  ['position', '位置'],
  ['no', 'モジュール番号'],
  ['serial', 'シリアル番号'],
  ['vpm', 'Vpm [V]'],
  ['ipm', 'Ipm [A]'],
  ['deviation', '偏差 [%]'],
];

function sortValue(c: ModuleCell, column: SortColumn): number | string {
  switch (column) {
    case 'string': return c.string_no * 1000 + c.position;
    case 'position': return c.position * 1000 + c.string_no;
    case 'no': return c.module_no;
    case 'serial': return c.serial;
    case 'vpm': return c.vpm_v;
    case 'ipm': return c.ipm_a;
    case 'deviation': return c.deviation_pct;
  }
}

export function renderWiringTable(table: HTMLTableElement, view: PlanView, sort: SortState, marked: string | null,
  onSort: (next: SortState) => void): void {
  const cells = view.strings.flatMap((s) => s.cells);
  cells.sort((a, b) => {
    const x = sortValue(a, sort.column);
    const y = sortValue(b, sort.column);
    const order = typeof x === 'string' ? x.localeCompare(String(y)) : x - (y as number);
    return (sort.descending ? -order : order) || sortValue(a, 'string') as number - (sortValue(b, 'string') as number);
  });
  table.innerHTML = '';
  const head = table.createTHead().insertRow();
  for (const [column, name] of columns) {
    const th = document.createElement('th');
    th.scope = 'col';
    const button = document.createElement('button');
    button.type = 'button';
    button.textContent = name + (sort.column === column ? (sort.descending ? ' ▼' : ' ▲') : '');
    button.addEventListener('click', () =>
      onSort({ column, descending: sort.column === column ? !sort.descending : false }));
    th.setAttribute('aria-sort', sort.column === column ? (sort.descending ? 'descending' : 'ascending') : 'none');
    th.append(button);
    head.append(th);
  }
  const body = table.createTBody();
  for (const c of cells) {
    const tr = body.insertRow();
    tr.dataset.key = cellKey(c);
    if (marked === cellKey(c)) tr.className = 'marked';
    const values = [c.string_no, c.position, floatText(c.module_no), c.serial, floatText(c.vpm_v), floatText(c.ipm_a), c.deviation_pct.toFixed(2)];
    values.forEach((v, k) => {
      const td = tr.insertCell();
      td.textContent = String(v);
      // On a narrow screen each row is a card, each value under its column's name.
      td.dataset.label = columns[k][1];
    });
  }
  table.querySelector('tr.marked')?.scrollIntoView({ block: 'nearest' });
}

export interface PlanHeader {
  resultName: string;
  listName: string;
  figures: HTMLTableElement;
  assessment: HTMLTableElement;
  verdict: string;
  windowHeading: string; // the inverter window's heading, or "" when there is none
  windowTable: HTMLTableElement | null;
  windowVerdict: string;
  wiringName: string;
  noVerdict: string; // why there is no voltage verdict, or ""
}

// The printed plan: page 1 the summary with the picture, then the table in
// string order with a box to tick per module, a string's heading kept with
// its rows. The page header (file name) and numbers come from @page rules.
// A copy of a table shown on the page for the plan, without the ids that
// belong to the original alone.
function copyOf(element: HTMLElement): HTMLElement {
  const copy = element.cloneNode(true) as HTMLElement;
  copy.removeAttribute('id');
  for (const e of copy.querySelectorAll('[id]')) e.removeAttribute('id');
  return copy;
}

export function renderPlan(host: HTMLElement, view: PlanView, h: PlanHeader, failed: Set<number> = new Set()): void {
  const summary = document.createElement('section');
  summary.className = 'plan-summary';
  const title = document.createElement('h1');
  title.textContent = `配線図 ${h.resultName} (${h.wiringName})`;
  const facts = document.createElement('p');
  facts.textContent = `モジュールリスト ${h.listName} / ${view.parallel} ストリング × ${view.series} 直列 / ${h.wiringName}`;
  summary.append(title, facts, copyOf(h.figures));
  if (!h.assessment.hidden) summary.append(copyOf(h.assessment));
  if (h.verdict) summary.append(Object.assign(document.createElement('p'), { textContent: h.verdict }));
  if (h.noVerdict) summary.append(Object.assign(document.createElement('p'), { textContent: h.noVerdict, className: 'no-verdict' }));
  if (h.windowTable) {
    // The inverter window always judges the result file's wiring.
    summary.append(Object.assign(document.createElement('p'), { textContent: h.windowHeading, className: 'window-heading' }),
      copyOf(h.windowTable));
    if (h.windowVerdict) summary.append(Object.assign(document.createElement('p'), { textContent: h.windowVerdict }));
  }
  const picture = document.createElement('div');
  picture.className = 'plan-picture';
  renderPicture(picture, view, null, () => undefined, failed);
  summary.append(picture);

  const table = document.createElement('table');
  table.className = 'plan-table';
  // The tick box and the numbers narrow, the serial number wide.
  const columnsMm = ['9mm', '13mm', '24mm', '', '22mm', '22mm'];
  table.append(Object.assign(document.createElement('colgroup'), {}));
  for (const width of columnsMm) {
    const col = document.createElement('col');
    if (width) col.style.width = width;
    table.querySelector('colgroup')!.append(col);
  }
  // Every page of the table says which wiring it holds: the heading repeats.
  const tableHead = table.createTHead();
  const wiringRow = tableHead.insertRow();
  const wiringCell = Object.assign(document.createElement('th'), { colSpan: 6, className: 'plan-wiring',
    textContent: `${h.wiringName} (${h.resultName})` });
  wiringRow.append(wiringCell);
  const head = tableHead.insertRow();
  for (const name of ['✓', '位置', 'モジュール番号', 'シリアル番号', 'Vpm [V]', 'Ipm [A]']) {
    head.append(Object.assign(document.createElement('th'), { textContent: name }));
  }
  for (const s of view.strings) {
    const body = table.createTBody();
    const heading = body.insertRow();
    heading.className = s.over_limit ? 'string-heading over' : 'string-heading';
    const cell = heading.insertCell();
    cell.colSpan = 6;
    cell.textContent = `ストリング ${s.string_no}  (Σ Vpm ${fixed(s.vpm_sum_v, 2)} V` +
      (s.voc_cold_v !== undefined ? `, 低温 Voc ${fixed(s.voc_cold_v, 1)} V` : '') + (s.over_limit ? ', 上限超過' : '') + ')';
    for (const c of s.cells) {
      const tr = body.insertRow();
      tr.insertCell().textContent = '☐';
      for (const v of [String(c.position), floatText(c.module_no), c.serial, floatText(c.vpm_v), floatText(c.ipm_a)]) {
        tr.insertCell().textContent = v;
      }
    }
  }
  host.replaceChildren(summary, table);
}
