// What the crew types is kept in the browser's storage (localStorage) as it is
// typed, under a key made from the result file's and the list's bytes (not
// their names), so that it comes back when the same result is opened again:
// after a reload, a closed tab or a phone that slept. The files last opened
// are kept too, so that the page can open them again by itself. Storage
// that is full or refused is reported, never thrown: saving the measurement
// file still works.

const kPrefix = 'voltrigg.commissioning.';
const kLastOpened = 'voltrigg.last-opened';

// The typed values of one result: rows[j] is string j + 1 (the ten texts),
// every_row the conditions typed once for all rows, current the string shown
// on a narrow screen.
export interface TypedValues {
  rows: string[][];
  every_row: Record<string, string>;
  current: number;
  saved_at: string;
}

export type StoreOutcome = { ok: true } | { ok: false; reason: string };

// Why a write was refused, as the page says it.
function reasonOf(err: unknown): string {
  const name = (err as { name?: string })?.name ?? '';
  if (name === 'QuotaExceededError' || name === 'NS_ERROR_DOM_QUOTA_REACHED') return 'ブラウザの保存領域がいっぱいです';
  if (name === 'SecurityError') return 'このブラウザはページに保存を許していません';
  return `保存できません (${String(err)})`;
}

function storage(): Storage | null {
  try {
    return window.localStorage;
  } catch {
    return null; // refused altogether (a setting, a private window)
  }
}

export function loadValues(key: string): TypedValues | null {
  try {
    const text = storage()?.getItem(kPrefix + key);
    if (!text) return null;
    const v = JSON.parse(text) as Partial<TypedValues>;
    if (!Array.isArray(v.rows)) return null;
    return {
      rows: v.rows.map((r) => (Array.isArray(r) ? r.map((f) => (typeof f === 'string' ? f : '')) : [])),
      every_row: typeof v.every_row === 'object' && v.every_row !== null ? v.every_row : {},
      current: typeof v.current === 'number' ? v.current : 0,
      saved_at: typeof v.saved_at === 'string' ? v.saved_at : '',
    };
  } catch {
    return null; // unreadable: as if nothing were kept
  }
}

export function saveValues(key: string, values: TypedValues): StoreOutcome {
  const store = storage();
  if (!store) return { ok: false, reason: 'このブラウザはページに保存を許していません' };
  try {
    store.setItem(kPrefix + key, JSON.stringify(values));
    return { ok: true };
  } catch (err) {
    return { ok: false, reason: reasonOf(err) };
  }
}

export function forgetValues(key: string): StoreOutcome {
  try {
    storage()?.removeItem(kPrefix + key);
    return { ok: true };
  } catch (err) {
    return { ok: false, reason: reasonOf(err) };
  }
}

// Bytes as a string of char codes 0..255, which localStorage holds as it is.
function asText(bytes: Uint8Array): string {
  let out = '';
  for (let k = 0; k < bytes.length; k += 8192) out += String.fromCharCode(...bytes.subarray(k, k + 8192));
  return out;
}

function asBytes(text: string): Uint8Array {
  const out = new Uint8Array(text.length);
  for (let k = 0; k < text.length; ++k) out[k] = text.charCodeAt(k) & 0xff;
  return out;
}

export interface StoredFile {
  name: string;
  bytes: Uint8Array;
}

export function rememberOpened(result: StoredFile, list: StoredFile | null): StoreOutcome {
  const store = storage();
  if (!store) return { ok: false, reason: 'このブラウザはページに保存を許していません' };
  const pack = (f: StoredFile) => ({ name: f.name, data: asText(f.bytes) });
  try {
    store.setItem(kLastOpened, JSON.stringify({ result: pack(result), list: list ? pack(list) : null }));
    return { ok: true };
  } catch (err) {
    // Too large to keep: the values typed are kept all the same.
    forgetOpened();
    return { ok: false, reason: reasonOf(err) };
  }
}

export function lastOpened(): { result: StoredFile; list: StoredFile | null } | null {
  try {
    const text = storage()?.getItem(kLastOpened);
    if (!text) return null;
    const v = JSON.parse(text) as { result?: { name: string; data: string }; list?: { name: string; data: string } | null };
    if (!v.result || typeof v.result.data !== 'string') return null;
    const unpack = (f: { name: string; data: string }) => ({ name: String(f.name), bytes: asBytes(f.data) });
    return { result: unpack(v.result), list: v.list && typeof v.list.data === 'string' ? unpack(v.list) : null };
  } catch {
    return null;
  }
}

export function forgetOpened(): void {
  try {
    storage()?.removeItem(kLastOpened);
  } catch {
    // Nothing kept, or nothing that can be changed.
  }
}
