// Bundles the page script for the editor's embedded resources: node WebUI/build.mjs <outdir>
import { build } from "esbuild";
import { mkdir } from "node:fs/promises";
import path from "node:path";
import { fileURLToPath } from "node:url";

const webUiDir = path.dirname(fileURLToPath(import.meta.url));

async function main(outDirArgument) {
  if (!outDirArgument)
    throw new Error("usage: node build.mjs <outdir>");

  const outDir = path.resolve(outDirArgument);
  await mkdir(outDir, { recursive: true });

  await build({
    absWorkingDir: webUiDir,
    entryPoints: [path.join(webUiDir, "src", "main.js")],
    outfile: path.join(outDir, "bundle.js"),
    bundle: true,
    format: "iife",
    target: "es2020",
    minify: true,
    sourcemap: false,
    logLevel: "silent",
  });
}

main(process.argv[2]).catch((error) => {
  console.error(error.message ?? error);
  process.exit(1);
});
