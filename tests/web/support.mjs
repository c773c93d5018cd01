// Shared by the Node tests of the page: where the programs are, the
// WebAssembly core loaded as the page loads it, voltrigg-cli run beside a
// list, and the generated lists.
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import { fileURLToPath, pathToFileURL } from 'node:url';

export const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
export const cliPath = process.env.VOLTRIGG_CLI ?? path.join(repo, 'build/voltrigg-cli');
export const genlistPath = process.env.VOLTRIGG_GENLIST ?? path.join(repo, 'build/bench/voltrigg-genlist');
// The viewer's model of an opened result, its plan views as JSON (tests/shared/plan_view_dump.cpp).
export const planViewDumpPath =
  process.env.VOLTRIGG_PLAN_VIEW_DUMP ?? path.join(repo, 'build/tests/shared_plan_view_dump');
export const corePath = path.join(repo, 'build-web/web/voltrigg-core.js');
export const pagePath = path.join(repo, 'build-web/voltrigg.html');

// The binding's options: planning alone, or with the assessment (texts, as
// the page's boxes hold them; problems in English, as voltrigg-cli gives
// them under LC_ALL=C).
export const defaultConditions = { assess: false };
export const assessConditions = {
  assess: true,
  tmin_c: '-10',
  voc_coefficient_pct_per_k: '-0.3',
  max_system_voltage_v: '1000',
  extras: 'voc,isc',
  language: 'en',
};

export async function loadCore() {
  const require = createRequire(import.meta.url);
  const factory = require(corePath);
  return factory();
}

export function tempDir(prefix) {
  return fs.mkdtempSync(path.join(os.tmpdir(), prefix));
}

// voltrigg-cli in a fresh folder holding the list under `name` (and `files`,
// { name: bytes }, such as an inverter profile), as a user starts it beside
// the list, speaking the page's Japanese (or the language of `locale`).
// Returns status, stdout, stderr (Buffers) and the result and assessment
// files when written.
export function runCli(listBytes, name, series, parallel, output, extraArgs = [], files = {}, locale = 'ja_JP.UTF-8') {
  const dir = tempDir('voltrigg-cli-');
  try {
    for (const [file, bytes] of Object.entries(files)) fs.writeFileSync(path.join(dir, file), bytes);
    fs.writeFileSync(path.join(dir, name), listBytes);
    // A value that starts with '-' must be joined to its option; an empty
    // one must stand alone (CLI11 takes the next argument for "--output=").
    const option = (flag, value) => (String(value).startsWith('-') ? [`${flag}=${value}`] : [flag, String(value)]);
    const args = [...option('--series', series), ...option('--parallel', parallel), ...option('--output', output),
      ...extraArgs, '--', name];
    const r = spawnSync(cliPath, args, { cwd: dir, maxBuffer: 1 << 26, env: { ...process.env, LC_ALL: locale } });
    if (r.error) throw r.error;
    const read = (file) => {
      const p = path.join(dir, file);
      return fs.existsSync(p) && fs.statSync(p).isFile() ? fs.readFileSync(p) : null;
    };
    return {
      status: r.status,
      stdout: r.stdout,
      stderr: r.stderr,
      result: read(`${output}.csv`),
      assessment: read(`${output}.assessment.json`),
    };
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

// The messages voltrigg-cli printed to stderr, without its name in front.
export function cliMessages(stderr) {
  const prefix = Buffer.from('voltrigg-cli: ');
  const out = [];
  let start = 0;
  while (start < stderr.length) {
    let end = stderr.indexOf(0x0a, start);
    if (end < 0) end = stderr.length;
    const line = stderr.subarray(start, end);
    out.push(line.subarray(0, prefix.length).equals(prefix) ? line.subarray(prefix.length) : line);
    start = end + 1;
  }
  return out;
}

export function generatedList(count, seed) {
  const r = spawnSync(genlistPath, ['--count', String(count), '--seed', String(seed)], { maxBuffer: 1 << 26 });
  if (r.status !== 0) throw new Error(`voltrigg-genlist failed: ${r.stderr}`);
  return r.stdout;
}

// A small seeded generator (xorshift), so that the corpus is the same every time.
export function seededRandom(seed) {
  let s = (seed * 2654435761) >>> 0 || 1;
  const next = () => {
    s ^= s << 13;
    s >>>= 0;
    s ^= s >>> 17;
    s ^= s << 5;
    s >>>= 0;
    return s / 4294967296;
  };
  return {
    next,
    int: (lo, hi) => lo + Math.floor(next() * (hi - lo + 1)),
    pick: (items) => items[Math.floor(next() * items.length)],
  };
}

// The page in Debian's headless chromium from file://, opened and ready, in a
// profile of its own under `profileDir`. Every request but the page itself is
// refused and recorded in `refused`: the page works offline and asks for
// nothing. `options` are the browser context's (a device's viewport, touch,
// ...); `initScript` ([function, argument]) runs in the page before its own
// scripts, as a stand-in for what a browser offers. Returns { context, page,
// refused, errors } (errors: the page's uncaught errors).
export async function openPageInChromium(profileDir, options = {}, initScript = null) {
  // playwright-core is the page's own development package, under web/.
  const { chromium } = createRequire(path.join(repo, 'web/package.json'))('playwright-core');
  const context = await chromium.launchPersistentContext(profileDir, {
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    acceptDownloads: true,
    ...options,
  });
  const refused = [];
  const errors = [];
  try {
    const pageUrl = pathToFileURL(pagePath).href;
    await context.route('**/*', (route) => {
      const url = route.request().url();
      if (url === pageUrl) return route.continue();
      refused.push(url);
      return route.abort();
    });
    if (initScript) await context.addInitScript(...initScript);
    const page = context.pages()[0] ?? (await context.newPage());
    page.on('pageerror', (e) => errors.push(e.message));
    await page.goto(pageUrl);
    await page.waitForSelector('body[data-ready="yes"]');
    return { context, page, refused, errors };
  } catch (e) {
    await context.close();
    throw e;
  }
}
