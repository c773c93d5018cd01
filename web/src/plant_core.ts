// The plant tab's part of the WebAssembly core (web/binding_plant.cpp).
import type { OptionRow, PageFile } from './core';

// The form as the core reads it: sort, pallet_window, extras and the
// conditions by their members, all as typed.
export type PlantOptions = Record<string, string>;

export interface PlantValue {
  exit_status: number; // as voltrigg-cli plant: 0, 1 a check failed, 2 refused, 64 a form value refused
  refusals: string[];
  warnings: string[];
  summary: string[];
  register_csv?: Uint8Array;
  picklist_csv?: Uint8Array;
  plant_json?: Uint8Array;
}

export interface PlantPlace {
  found: boolean;
  text: string;
  inverter?: string; // "spare" for a spare
  input?: string;
  string?: string;
  position?: string;
  pallet?: string;
}

export interface PlantCore {
  plantOptionTable(language: 'ja' | 'en'): OptionRow[];
  // `options`: the form's texts (PlantOptions), language and progress, a
  // function given (stage, text) as planning goes on.
  planPlant(lists: PageFile[], layout: PageFile, options: Record<string, unknown>): PlantValue;
  findPlantSerial(serial: string, language: 'ja' | 'en'): PlantPlace;
  plantFileRole(bytes: Uint8Array): 'list' | 'layout';
  plantTabHint(language: 'ja' | 'en'): string;
}
