// What the page shows of one wiring, computed once from the result's rows:
// per module its deviation from its string's mean and the colour for it,
// per string its sums. The picture, the table, the charts and the printed
// plan all draw from this.
import type { AssessmentValue, ResultRow } from './core';

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
  planning_current_a: number; // the planning rule: Ipm of position 1
  physical_current_a?: number; // at the array's maximum power point
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
  limit_v?: number;
}

export function stringCurrentA(s: StringSummary): number {
  return s.physical_current_a ?? s.planning_current_a;
}

// Blue below the mean, white at it, orange above; t in [-1, 1].
export function deviationColour(t: number): string {
  const c = Math.max(-1, Math.min(1, t));
  const target = c < 0 ? [59, 111, 216] : [240, 140, 40];
  const mix = (k: number) => Math.round(255 + (target[k] - 255) * Math.abs(c));
  return `rgb(${mix(0)}, ${mix(1)}, ${mix(2)})`;
}

export function buildPlanView(
  rows: ResultRow[],
  series: number,
  parallel: number,
  colourBy: ColourBy,
  assessment?: AssessmentValue,
): PlanView {
  const strings: StringSummary[] = [];
  for (let j = 0; j < parallel; ++j) {
    const own = rows.slice(j * series, (j + 1) * series);
    const mean = own.reduce((sum, r) => sum + (colourBy === 'ipm' ? r.ipm_a : r.vpm_v), 0) / Math.max(own.length, 1);
    const physics = assessment?.estimated.strings[j];
    strings.push({
      string_no: j + 1,
      cells: own.map((r) => {
        const value = colourBy === 'ipm' ? r.ipm_a : r.vpm_v;
        return { ...r, deviation_pct: mean !== 0 ? (100 * (value - mean)) / Math.abs(mean) : 0, colour: '' };
      }),
      vpm_sum_v: own.reduce((sum, r) => sum + r.vpm_v, 0),
      planning_current_a: own.length > 0 ? own[0].ipm_a : 0,
      physical_current_a: physics?.current_a,
      voc_cold_v: physics?.voc_cold_v,
      over_limit: assessment?.voltage_check.strings_over.includes(j + 1) ?? false,
    });
  }
  // Full colour at the largest deviation in the array, so that the spread of
  // a well-sorted array still shows.
  let widest = 0;
  for (const s of strings) for (const c of s.cells) widest = Math.max(widest, Math.abs(c.deviation_pct));
  for (const s of strings) {
    for (const c of s.cells) c.colour = deviationColour(widest >= 0.01 ? c.deviation_pct / widest : 0);
  }
  const mean = (values: number[]) => values.reduce((a, b) => a + b, 0) / Math.max(values.length, 1);
  return {
    series,
    parallel,
    colour_by: colourBy,
    strings,
    mean_string_voltage_v: mean(strings.map((s) => s.vpm_sum_v)),
    mean_string_current_a: mean(strings.map(stringCurrentA)),
    limit_v: assessment?.voltage_check.limit_v,
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

export function fixed(value: number | undefined, decimals: number): string {
  return value === undefined || !Number.isFinite(value) ? '' : value.toFixed(decimals);
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
