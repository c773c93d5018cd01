// Makes build-web/voltrigg.html, one self-contained file: Vite's page with its
// script and style sheet inlined, and the WebAssembly core's script (which
// holds the WebAssembly itself) ahead of them.
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const web = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const buildWeb = path.resolve(web, '../build-web');
const pageDir = path.join(buildWeb, 'page');
const corePath = path.join(buildWeb, 'web/voltrigg-core.js');
const outPath = path.join(buildWeb, 'voltrigg.html');

// Text that would end or confuse an inline <script> element.
function scriptText(code, what) {
  if (/<!--|<script/i.test(code)) throw new Error(`${what} holds "<!--" or "<script"; it cannot be inlined as it is`);
  return code.replace(/<\/script/gi, '<\\/script');
}

let html = fs.readFileSync(path.join(pageDir, 'index.html'), 'utf8');
const asset = (ref) => fs.readFileSync(path.join(pageDir, ref), 'utf8');

html = html.replace(/<script type="module" crossorigin src="([^"]+)"><\/script>/g, (_, src) => {
  return `<script type="module">${scriptText(asset(src), src)}</script>`;
});
html = html.replace(/<link rel="stylesheet" crossorigin href="([^"]+)">/g, (_, href) => {
  return `<style>${asset(href).replace(/<\/style/gi, '<\\/style')}</style>`;
});
const core = scriptText(fs.readFileSync(corePath, 'utf8'), 'voltrigg-core.js');
if (!html.includes('<!--voltrigg-core-->')) throw new Error('the page has no place for the core');
html = html.replace('<!--voltrigg-core-->', () => `<script>${core}</script>`);

// Nothing may be left that the browser would fetch.
const external = html.match(/<(script|link|img)[^>]+(src|href)=/i);
if (external) throw new Error(`the page still refers to a file: ${external[0]}`);

fs.writeFileSync(outPath, html);
console.log(`${path.relative(process.cwd(), outPath)}: ${(fs.statSync(outPath).size / 1024).toFixed(0)} KiB`);
