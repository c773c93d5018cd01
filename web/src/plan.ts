// What the page shows of one wiring, as the core's model of the opened result
// hands it over (web/binding/, the viewer's own plan view): per module its
// deviation from its string's mean and its colour, per string its sums. The
// picture, the table, the charts and the printed plan all draw from this;
// nothing here computes a figure.
import type { PlanViewValue } from './core';

export type ColourBy = 'ipm' | 'vpm';

export interface ModuleCell {
  string_no: number;
  position: number;
  module_no: number;
  serial: string;
  vpm_v: number;
  ipm_a: number;
  deviation_pct: number; // of the coloured value from its string's mean
  colour: string;
}

export interface StringSummary {
  string_no: number;
  cells: ModuleCell[];
  vpm_sum_v: number;
  current_a: number; // at the array's maximum power point when assessed, else the planning rule's
  physical: boolean;
  voc_cold_v?: number;
  over_limit: boolean;
}

export interface PlanView {
  series: number;
  parallel: number;
  colour_by: ColourBy;
  strings: StringSummary[];
  mean_string_voltage_v: number;
  mean_string_current_a: number;
}

// The core's columns as the cells and strings the drawing walks.
export function planViewOf(v: PlanViewValue, colourBy: ColourBy): PlanView {
  const c = v.cells;
  const serials = c.serials.split('\0');
  const cells: ModuleCell[] = Array.from(c.string_no, (string_no, k) => ({
    string_no,
    position: c.position[k],
    module_no: c.module_no[k],
    serial: serials[k],
    vpm_v: c.vpm_v[k],
    ipm_a: c.ipm_a[k],
    deviation_pct: c.deviation_pct[k],
    colour: `rgb(${c.colour[3 * k]}, ${c.colour[3 * k + 1]}, ${c.colour[3 * k + 2]})`,
  }));
  const s = v.strings;
  const strings: StringSummary[] = Array.from(s.vpm_sum_v, (vpm_sum_v, j) => ({
    string_no: j + 1,
    cells: cells.slice(j * v.series, (j + 1) * v.series),
    vpm_sum_v,
    current_a: s.current_a[j],
    physical: s.physical,
    voc_cold_v: Number.isNaN(s.voc_cold_v[j]) ? undefined : s.voc_cold_v[j],
    over_limit: s.over_limit[j] === 1,
  }));
  return {
    series: v.series,
    parallel: v.parallel,
    colour_by: colourBy,
    strings,
    mean_string_voltage_v: v.mean_string_voltage_v,
    mean_string_current_a: v.mean_string_current_a,
  };
}

// Where a serial number (typed or scanned) goes: blanks around it and letter
// case do not count.
export function findSerial(view: PlanView, text: string): ModuleCell | undefined {
  const wanted = text.trim().toUpperCase();
  if (wanted === '') return undefined;
  for (const s of view.strings) {
    for (const c of s.cells) if (c.serial.trim().toUpperCase() === wanted) return c;
  }
  return undefined;
}

export function fixed(value: number | undefined | null, decimals: number): string {
  return value === undefined || value === null || !Number.isFinite(value) ? '' : value.toFixed(decimals);
}

// A 32-bit float value as its shortest text that reads back to the same float,
// as the result file writes it.
export function floatText(value: number): string {
  if (!Number.isFinite(value)) return String(value);
  for (let digits = 1; digits <= 9; ++digits) {
    const text = value.toPrecision(digits);
    if (Math.fround(Number(text)) === value) return String(Number(text));
  }
  return String(value);
}
