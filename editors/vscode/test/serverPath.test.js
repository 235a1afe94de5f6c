// Which server the extension starts, for each setting and each set of bundled servers.
'use strict';
const assert = require('assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const test = require('node:test');
const { ChooseServer, MakeExecutable } = require('../out/serverPath');

const Ext = path.join('/ext');
const Linux = path.join(Ext, 'server', 'linux-x64', 'qmate');
const Windows = path.join(Ext, 'server', 'win32-x64', 'qmate.exe');

// setting | platform-arch | the bundled servers present | the command | its origin
const Rows = [
  ['/opt/qmate/qmate', 'linux-x64', [Linux], '/opt/qmate/qmate', 'setting'],
  [' C:\\q\\qmate.exe ', 'win32-x64', [Windows], 'C:\\q\\qmate.exe', 'setting'],
  ['qmate', 'linux-x64', [Linux, Windows], Linux, 'bundled'],
  [undefined, 'win32-x64', [Linux, Windows], Windows, 'bundled'],
  ['', 'win32-x64', [Linux], 'qmate', 'path'],
  ['  ', 'linux-x64', [Windows], 'qmate', 'path'],
  ['qmate', 'linux-arm64', [Linux, Windows], 'qmate', 'path'],
  [undefined, 'darwin-x64', [Linux, Windows], 'qmate', 'path'],
];

test('the server chosen for each setting and platform', () => {
  for (const [setting, target, present, command, origin] of Rows) {
    const [platform, arch] = target.split('-');
    const choice = ChooseServer(setting, Ext, platform, arch, (file) => present.includes(file));
    assert.deepStrictEqual(choice, { command, origin }, `${JSON.stringify(setting)} on ${target}`);
  }
});

test('a bundled server unpacked without its execute bits gets them back', () => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'qmate-vsx-'));
  const file = path.join(folder, 'qmate');
  fs.writeFileSync(file, '#!/bin/sh\n', { mode: 0o644 });
  MakeExecutable(file, 'linux');
  assert.strictEqual(fs.statSync(file).mode & 0o777, 0o755);
  fs.rmSync(folder, { recursive: true });
});
