import { defineConfig } from 'vite';

// One script and one style sheet, no chunks and no preload helper: the
// inline step (scripts/inline.mjs) puts them into the single page.
export default defineConfig({
  base: './',
  build: {
    outDir: '../build-web/page',
    emptyOutDir: true,
    target: 'es2022',
    modulePreload: false,
    cssCodeSplit: false,
    assetsInlineLimit: 100000000,
    rollupOptions: { output: { inlineDynamicImports: true } },
  },
});
