// The WebAssembly core as the binding layer (web/binding/) hands it over.
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
  json_same_as_cli: boolean; // voltrigg-cli's file: the result is the list's run
  optimized_csv: Uint8Array; // the optimised wiring for the crew (OUTPUT-optimized.csv)
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
  plant_hint?: string; // after a check refused strings above 20 or more than 1000 modules: where to plan them
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

// A row of the option table the page's form is built from: the field's id
// (the option's key), the member the page sends, its label, default, help
// and range, in the language asked for.
export interface OptionRow {
  key: string;
  member: string;
  kind: 'number' | 'extras';
  label: string;
  default: string;
  help: string;
  range?: string;
}

// A picked or dropped file.
export interface PageFile {
  name: string;
  bytes: Uint8Array;
}

// Files picked or dropped together, told apart as the viewer tells them
// apart (indices into the files, -1 for none), or why they cannot be.
export interface FilesApart {
  result?: number;
  list?: number;
  measurements?: number;
  refused?: 'no_result' | 'two_results' | 'two_lists' | 'two_measurements';
  reasons?: string[]; // "name: why it is not a result file"
}

// A result file opened with its list, as the viewer opens it.
export interface OpenValue {
  outcome: 'completed' | 'refused';
  result_error?: string; // the result reader's refusal, naming the line
  condition_fault?: string;
  inverter_fault?: string;
  result_file?: Uint8Array;
  result?: ResultValue;
  plan_views?: { result: PlanViews };
  list_state?: 'not_found' | 'unreadable' | 'mismatch' | 'matches';
  list_status?: string;
  list_differences?: string[];
  list_warnings?: string[];
  assessment?: AssessmentValue;
  assessment_note?: string; // why there is no assessment, or what it lacks (the viewer's words)
}

// A row of the option table for the commissioning check's own fields.
export interface CommissionOptionRow {
  key: string;
  member: string;
  label: string;
  default: string;
  help: string;
  every_row: boolean; // a value for every row that leaves it empty (irradiance, module temperature)
}

// The commissioning check's options as typed (texts by the option table's members).
export type CommissionOptions = Record<string, string>;

export interface CommissionStart {
  ok: boolean;
  failure?: string;
  plan?: string; // the plan's fingerprint
  // A plant's strings carry their register names (INVERTER.INPUT.STRING).
  strings?: { string_no: number; name?: string; modules: number; voc_stc_v: number; isc_stc_a: number }[];
  system_voltage_v?: number; // NaN when not known
  insulation_test_required_v?: number;
}

// One string of the check: the viewer's cells (string, modules, G, T, Voc
// expected, measured, deviation, Isc expected, measured, deviation, verdict,
// findings), the verdict and its colours, each test item's status.
export interface StringCheckValue {
  string_no: number;
  name?: string; // a plant's string
  cells: string[];
  kind: 'pass' | 'pass_with_note' | 'fail' | 'not_measured';
  verdict: string;
  colour: string;
  background: string;
  findings: string;
  findings_with_note: string;
  finding_keys: string[];
  items: Record<string, 'not_measured' | 'pass' | 'fail' | 'measured'>;
  further: Record<string, string>;
}

export interface RowCheckValue {
  state: 'empty' | 'incomplete' | 'refused' | 'checked';
  missing: string[]; // columns still to be typed
  refusal: string;
  string?: StringCheckValue;
}

export interface RowsCheckValue {
  file?: Uint8Array; // the measurement file
  incomplete?: { string: number; missing: string[] }[];
  refusal?: string;
  check?: {
    ok: boolean;
    summary: string;
    conditions: string;
    json: Uint8Array;
    strings: StringCheckValue[];
    failed: Int32Array;
    not_measured: Int32Array;
    further_items_measured: boolean;
    system_voltage_v: number;
    insulation_test_required_v: number;
    coverage: { item: string; made: Int32Array; failed: Int32Array; not_made: Int32Array }[];
  };
}

export interface Core {
  run(list: Uint8Array, listName: string, series: string, parallel: string, output: string, c: Conditions): RunValue;
  tellFilesApart(files: PageFile[]): FilesApart;
  openResult(result: PageFile, list: PageFile | null, options: object): OpenValue;
  commissionOptionTable(): CommissionOptionRow[];
  commissionOptionsFault(options: CommissionOptions): string;
  startCommission(resultName: string, listName: string, fileName: string, options: CommissionOptions): CommissionStart;
  checkRow(stringNo: number, fields: string[], options: CommissionOptions): RowCheckValue;
  checkRows(rows: string[][], options: CommissionOptions): RowsCheckValue;
  readMeasurementFile(name: string, bytes: Uint8Array, options: CommissionOptions): { rows?: string[][]; refusal?: string };
  blankForm(): Uint8Array | null;
  contentKey(result: Uint8Array, list: Uint8Array): string;
  // A plant's strings: the plant file (BASE.plant.json) and its lists.
  startPlantCommission(plantFile: PageFile, lists: PageFile[], options: CommissionOptions): CommissionStart;
  plantContentKey(plant: Uint8Array, lists: Uint8Array[]): string;
  plantFileKind(bytes: Uint8Array): 'plant' | 'list';
  identity(): Identity;
  optionTable(language: 'ja' | 'en'): OptionRow[];
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
