// Starts `qmate lsp` for Clipper and Harbour files: formatting and range formatting, the
// outline, and the block commands (comment, uncomment, annotate block ends) on the lines of
// the selection.
import * as vscode from 'vscode';
import {
  ExecuteCommandRequest,
  LanguageClient,
  LanguageClientOptions,
  ServerOptions,
} from 'vscode-languageclient/node';

let client: LanguageClient | undefined;

const BlockCommands = ['comment', 'uncomment', 'annotate'];

export async function activate(context: vscode.ExtensionContext): Promise<void> {
  const config = vscode.workspace.getConfiguration('quillmate');
  const serverOptions: ServerOptions = {
    command: config.get<string>('path', 'qmate'),
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
  await client.start();
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
