// Which program the extension starts as its language server: the one the user names in
// `quillmate.path`, else the server the package carries for this platform, else `qmate` on
// the PATH. Kept apart from the VS Code API so that Node alone can run it.
import * as fs from 'fs';
import * as path from 'path';

export const DefaultServer = 'qmate';

export interface ServerChoice {
  command: string;
  // Where the command comes from: the setting, the package, or the PATH.
  origin: 'setting' | 'bundled' | 'path';
}

// The server the package carries for a platform and architecture (server/linux-x64/qmate,
// server/win32-x64/qmate.exe), whether or not it is there.
export function BundledServer(extensionPath: string, platform: string, arch: string): string {
  const program = platform === 'win32' ? 'qmate.exe' : 'qmate';
  return path.join(extensionPath, 'server', `${platform}-${arch}`, program);
}

// The setting counts when it holds something other than the default name.
export function ChooseServer(
  setting: string | undefined,
  extensionPath: string,
  platform: string,
  arch: string,
  exists: (file: string) => boolean,
): ServerChoice {
  const named = (setting ?? '').trim();
  if (named !== '' && named !== DefaultServer) {
    return { command: named, origin: 'setting' };
  }
  const bundled = BundledServer(extensionPath, platform, arch);
  if (exists(bundled)) {
    return { command: bundled, origin: 'bundled' };
  }
  return { command: DefaultServer, origin: 'path' };
}

// A file unpacked without its mode bits cannot be run on Linux or macOS: give it back the
// owner's, group's and others' execute bits.
export function MakeExecutable(file: string, platform: string): void {
  if (platform === 'win32') {
    return;
  }
  try {
    fs.accessSync(file, fs.constants.X_OK);
  } catch {
    fs.chmodSync(file, fs.statSync(file).mode | 0o111);
  }
}

// The message shown when the chosen server does not start, naming the way out.
export function DescribeStartFailure(choice: ServerChoice, error: unknown): string {
  const reason = error instanceof Error ? error.message : String(error);
  const where = {
    setting: 'the program quillmate.path names',
    bundled: 'the server this extension carries',
    path: `'${DefaultServer}' on the PATH (no server is bundled for this platform)`,
  }[choice.origin];
  return (
    `Quillmate: cannot start ${where}, ${choice.command}: ${reason}. ` +
    `Set quillmate.path to the full path of a qmate program.`
  );
}
