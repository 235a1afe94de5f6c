// Starts `qmate lsp` for Clipper and Harbour files: formatting and range formatting, the
// outline, and the block commands (comment, uncomment, annotate block ends) on the lines of
// the selection.
import * as fs from 'fs';
import * as vscode from 'vscode';
import {
  ExecuteCommandRequest,
  LanguageClient,
  LanguageClientOptions,
  ServerOptions,
} from 'vscode-languageclient/node';
import { ChooseServer, DescribeStartFailure, MakeExecutable } from './serverPath';

let client: LanguageClient | undefined;

const BlockCommands = ['comment', 'uncomment', 'annotate'];

export async function activate(context: vscode.ExtensionContext): Promise<void> {
  const config = vscode.workspace.getConfiguration('quillmate');
  const server = ChooseServer(
    config.get<string>('path'),
    context.extensionPath,
    process.platform,
    process.arch,
    fs.existsSync,
  );
  const serverOptions: ServerOptions = {
    command: server.command,
    args: ['lsp', ...config.get<string[]>('arguments', [])],
  };
  const clientOptions: LanguageClientOptions = {
    documentSelector: [
      { scheme: 'file', language: 'clipper' },
      { scheme: 'untitled', language: 'clipper' },
    ],
  };
  client = new LanguageClient('quillmate', 'Quillmate', serverOptions, clientOptions);
  for (const name of BlockCommands) {
    context.subscriptions.push(
      vscode.commands.registerTextEditorCommand(`quillmate.${name}`, (editor) =>
        runOnSelectedLines(name, editor),
      ),
    );
  }
  try {
    if (server.origin === 'bundled') {
      MakeExecutable(server.command, process.platform);
    }
    await client.start();
  } catch (error) {
    vscode.window.showErrorMessage(DescribeStartFailure(server, error));
  }
}

// Runs a block command of the server on the lines the selection covers (the cursor's line
// when nothing is selected; annotate works on the whole file then).
async function runOnSelectedLines(name: string, editor: vscode.TextEditor): Promise<void> {
  if (!client) {
    return;
  }
  const args: unknown[] = [client.code2ProtocolConverter.asUri(editor.document.uri)];
  if (!(name === 'annotate' && editor.selection.isEmpty)) {
    args.push(client.code2ProtocolConverter.asRange(editor.selection));
  }
  try {
    await client.sendRequest(ExecuteCommandRequest.type, { command: `qmate.${name}`, arguments: args });
  } catch (error) {
    vscode.window.showErrorMessage(`Quillmate: ${String(error)}`);
  }
}

export function deactivate(): Thenable<void> | undefined {
  return client?.stop();
}
