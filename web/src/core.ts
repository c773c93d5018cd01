// The WebAssembly core as the binding layer (web/binding.cpp) hands it over.
// The core's script is inlined into the page ahead of this one and defines
// the global factory VoltriggCore.

export interface PointValue {
  pmax_w: number;
  vpm_v: number;
  ipm_a: number;
}

export interface ResultValue {
  input_name: string;
  simple_pmax_sum_w: number;
  minimum: PointValue;
  initial: PointValue;
  estimated: PointValue;
  series: number;
  parallel: number;
  rows: ResultColumns;
}

// The result's rows as the binding hands them over: one array per column.
export interface ResultColumns {
  string_no: Int32Array;
  position: Int32Array;
  module_no: Float32Array;
  vpm_v: Float32Array;
  ipm_a: Float32Array;
  serials: string; // each ended by NUL
}

// One wiring as the core's model draws it (the viewer's plan view): the
// cells string by string, position by position, and the strings, as columns.
export interface PlanViewValue {
  series: number;
  parallel: number;
  colour_range_pct: number; // the deviation drawn in full colour (both ways)
  mean_string_voltage_v: number;
  mean_string_current_a: number;
  limit_v: number;
  max_voc_cold_v: number | null;
  cells: {
    string_no: Int32Array;
    position: Int32Array;
    module_no: Float32Array;
    vpm_v: Float64Array;
    ipm_a: Float64Array;
    deviation_pct: Float64Array;
    colour: Uint8Array; // red, green, blue per cell
    serials: string; // decoded, each ended by NUL
  };
  strings: {
    vpm_sum_v: Float64Array;
    mean_vpm_v: Float64Array;
    mean_ipm_a: Float64Array;
    planning_current_a: Float64Array;
    current_a: Float64Array; // the current shown: physical when assessed
    voc_cold_v: Float64Array; // NaN without the assessment
    over_limit: Uint8Array;
    physical: boolean;
  };
}

// A wiring coloured by Ipm and by Vpm.
export interface PlanViews {
  ipm: PlanViewValue;
  vpm: PlanViewValue;
}

export interface StringValue {
  module_numbers: number[];
  serials: string[];
  current_a: number;
  voc_v: number;
  voc_cold_v: number;
}

export interface ArrangementValue {
  pmp_w: number;
  vmp_v: number;
  imp_a: number;
  mismatch_loss_pct: number;
  strings: StringValue[];
  curve: [number, number, number][]; // voltage [V], current [A], power [W]
}

// One row of the inverter window, as the viewer shows it.
export interface WindowRowValue {
  check: string; // the JSON key, e.g. "mppt_min"
  name: string; // 最大直流電圧, MPPT 下限, ...
  condition: string; // what the value is, e.g. "70 °C のアレイ Vmp"
  value: string; // e.g. "451.20 V"
  limit: string; // "-" when not given
  margin: string; // "-" without a limit
  verdict: 'ok' | 'fails' | 'clips' | 'not_checked';
  verdict_name: string; // 適合, 不適合, 超過 (出力制限), 検査なし
}

// The array's P-V curve at one cell temperature (empty when a curve cannot
// be carried there).
export interface WindowCurve {
  temperature_c: number;
  voltage_v: Float64Array;
  power_w: Float64Array;
}

// The inverter window of the result's wiring (1000 W/m²).
export interface InverterWindowValue {
  ok: boolean; // none of the first four checks fails
  has_profile: boolean;
  inverter_name: string | null;
  heading: string;
  verdict_line: string;
  rows: WindowRowValue[];
  problems: string[]; // curves that could not be carried to a temperature
  mppt_min_v: number | null;
  mppt_max_v: number | null;
  voltage_limit_v: number | null; // the lower of the system limit and the inverter's
  hot: { pmp_w: number; vmp_v: number };
  cold: { pmp_w: number; vmp_v: number };
  curves: WindowCurve[]; // cold operating, 25 °C, hot
}

export interface AssessmentValue {
  json: Uint8Array;
  table: string;
  sum_mpp_w: number;
  initial: ArrangementValue;
  estimated: ArrangementValue;
  optimized: ArrangementValue;
  random: {
    samples: number;
    mean_pmp_w: number;
    worst_pmp_w: number;
    mean_loss_pct: number | null; // against the modules' Σ Vmp·Imp
    worst_loss_pct: number | null;
  };
  voltage_check: { max_string_voc_cold_v: number; limit_v: number; ok: boolean; strings_over: number[] };
  inverter_window: InverterWindowValue;
  plan_views: { result: PlanViews; optimized: PlanViews }; // one colour scale for both wirings
}

export interface RunValue {
  outcome: 'completed' | 'check_failed' | 'failed' | 'refused';
  condition_fault?: string;
  inverter_fault?: string; // the core's reason for refusing the inverter profile
  exit_status: number;
  messages: Uint8Array[];
  check_facts?: string; // a failed check's figures: "モジュール 60 枚、並列 9 × 直列 7 = 63"
  list_warnings?: string[]; // duplicates, values at or below 0, values far from the lot's median
  result_file?: Uint8Array;
  result?: ResultValue;
  result_error?: string;
  plan_views?: { result: PlanViews }; // the result's wiring before the assessment
  assessment?: AssessmentValue;
  assessment_problems?: string[];
}

// The run's options: planning alone, or with the assessment under these
// conditions (texts as typed; the core reads and checks them as voltrigg-cli's).
export type Conditions =
  | { assess: false }
  | {
      assess: true;
      tmin_c: string;
      voc_coefficient_pct_per_k: string;
      max_system_voltage_v: string;
      t_cold_operating_c: string;
      t_hot_c: string;
      isc_coefficient_pct_per_k: string;
      isc_factor: string;
      extras: string; // "voc,isc" or "isc,voc"
      language: 'ja' | 'en';
      inverter?: InverterProfileFile; // none: only the system voltage limit
      first_part?: (partial: unknown) => void; // the first part's figures, before the optimiser
      progress?: (step: AssessProgress) => void; // as the optimiser and random wiring go on
    };

// An inverter profile as picked: its file name and bytes (the core reads them).
export interface InverterProfileFile {
  name: string;
  bytes: Uint8Array;
}

// How far the optimiser and random wiring have come (the assessment's second part).
export interface AssessProgress {
  percent: number; // [%] 0 to 100
  searches_done: number;
  searches_total: number;
  random_done: number;
  random_total: number;
}

export interface Identity {
  caption: string;
  title: string;
  copyright: string;
  completion: string;
}

export interface Core {
  run(list: Uint8Array, listName: string, series: string, parallel: string, output: string, c: Conditions): RunValue;
  identity(): Identity;
  checkAssessOptions(c: Conditions): string; // why the conditions cannot be used, or ""
  checkInverterProfile(c: Conditions): string; // why the inverter profile cannot be used, or ""
}

export type CoreFactory = (options?: object) => Promise<Core>;

export function coreFactory(): CoreFactory {
  const factory = (globalThis as unknown as { VoltriggCore?: CoreFactory }).VoltriggCore;
  if (!factory) throw new Error('the WebAssembly core is missing from the page');
  return factory;
}

// Messages may quote bytes of the list that are not UTF-8.
export function messageText(bytes: Uint8Array): string {
  return new TextDecoder('utf-8').decode(bytes);
}
