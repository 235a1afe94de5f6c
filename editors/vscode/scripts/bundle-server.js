// Stages the language servers the package carries in server/: the Linux build of qmate,
// stripped, as server/linux-x64/qmate, and the Windows x64 build, when there is one, as
// server/win32-x64/qmate.exe. Run before `vsce package` (npm run package).
// QMATE_BUILD is the native build folder (default: ../../build), QMATE_WIN64_BUILD the
// Windows x64 one (default: ../../build-win64).
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const path = require('path');

const Here = path.resolve(__dirname, '..');
const Repository = path.resolve(Here, '..', '..');
const Staged = path.join(Here, 'server');

// Copies a program into server/FOLDER, stripped with the first STRIPPER that runs, and
// with the execute bits the package keeps.
function StageServer(program, folder, strippers) {
  const target = path.join(Staged, folder, path.basename(program));
  fs.mkdirSync(path.dirname(target), { recursive: true });
  fs.copyFileSync(program, target);
  const stripped = strippers.some((stripper) => {
    try {
      execFileSync(stripper, [target], { stdio: 'ignore' });
      return true;
    } catch {
      return false;
    }
  });
  fs.chmodSync(target, 0o755);
  console.log(`bundle-server: ${program} -> server/${folder}/${path.basename(program)}` +
    `${stripped ? ' (stripped)' : ''}, ${fs.statSync(target).size} bytes`);
}

const linux = path.join(process.env.QMATE_BUILD || path.join(Repository, 'build'), 'qmate');
const windows = path.join(process.env.QMATE_WIN64_BUILD || path.join(Repository, 'build-win64'), 'qmate.exe');

fs.rmSync(Staged, { recursive: true, force: true });
if (!fs.existsSync(linux)) {
  console.error(`bundle-server: ${linux} is missing: build qmate first (make build)`);
  process.exit(1);
}
StageServer(linux, 'linux-x64', ['strip']);
if (fs.existsSync(windows)) {
  StageServer(windows, 'win32-x64', ['x86_64-w64-mingw32-strip', 'strip']);
} else {
  console.log(`bundle-server: note: ${windows} is not built, so the package carries no Windows server`);
}
