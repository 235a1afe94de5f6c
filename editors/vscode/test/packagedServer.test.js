// The Linux server inside quillmate.vsix: unpacked from the package with the mode it stores,
// started as `qmate lsp`, it must answer a formatting request with edits that turn a sample
// into what `qmate reindent` prints for it.
'use strict';
const assert = require('assert');
const { execFileSync, spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const test = require('node:test');
const zlib = require('zlib');

const Here = path.resolve(__dirname, '..');
const Package = process.env.QMATE_VSIX || path.join(Here, 'quillmate.vsix');
const Sample = path.resolve(Here, '..', '..', 'samples', 'stock.prg');
const ServerEntry = 'extension/server/linux-x64/qmate';

// The entries of a zip file, from its central directory: name, Unix mode, contents.
function ReadZip(zip) {
  const end = zip.lastIndexOf(Buffer.from([0x50, 0x4b, 0x05, 0x06]));
  assert.ok(end >= 0, 'not a zip file');
  const entries = new Map();
  let at = zip.readUInt32LE(end + 16);
  for (let count = zip.readUInt16LE(end + 10); count > 0; count--) {
    const name = zip.toString('utf8', at + 46, at + 46 + zip.readUInt16LE(at + 28));
    const local = zip.readUInt32LE(at + 42);
    const start = local + 30 + zip.readUInt16LE(local + 26) + zip.readUInt16LE(local + 28);
    const packed = zip.subarray(start, start + zip.readUInt32LE(at + 20));
    const method = zip.readUInt16LE(at + 10);
    entries.set(name, {
      mode: zip.readUInt32LE(at + 38) >>> 16,
      contents: () => (method === 8 ? zlib.inflateRawSync(packed) : packed),
    });
    at += 46 + zip.readUInt16LE(at + 28) + zip.readUInt16LE(at + 30) + zip.readUInt16LE(at + 32);
  }
  return entries;
}

// Sends framed messages to `qmate lsp` and collects the framed answers until it exits.
function RunSession(server, messages) {
  return new Promise((resolve, reject) => {
    const child = spawn(server, ['lsp'], { stdio: ['pipe', 'pipe', 'inherit'] });
    const chunks = [];
    child.stdout.on('data', (chunk) => chunks.push(chunk));
    child.on('error', reject);
    child.on('close', (status) => {
      const answers = [];
      let rest = Buffer.concat(chunks);
      for (;;) {
        const head = rest.indexOf('\r\n\r\n');
        if (head < 0) break;
        const length = Number(/Content-Length: *(\d+)/i.exec(rest.toString('latin1', 0, head))[1]);
        answers.push(JSON.parse(rest.toString('utf8', head + 4, head + 4 + length)));
        rest = rest.subarray(head + 4 + length);
      }
      resolve({ status, answers });
    });
    for (const message of messages) {
      const body = Buffer.from(JSON.stringify({ jsonrpc: '2.0', ...message }), 'utf8');
      child.stdin.write(`Content-Length: ${body.length}\r\n\r\n`);
      child.stdin.write(body);
    }
    child.stdin.end();
  });
}

// Applies LSP text edits (positions in UTF-16 units; the sample is ASCII), last first.
function ApplyEdits(text, edits) {
  const starts = [0];
  for (const end of text.matchAll(/\r\n|\r|\n/g)) starts.push(end.index + end[0].length);
  const offset = ({ line, character }) => (line < starts.length ? starts[line] + character : text.length);
  const sorted = edits.map((edit) => [offset(edit.range.start), offset(edit.range.end), edit.newText]);
  sorted.sort((a, b) => b[0] - a[0]);
  for (const [from, to, newText] of sorted) text = text.slice(0, from) + newText + text.slice(to);
  return text;
}

test('the packaged Linux server formats a document as qmate reindent does', async (t) => {
  if (process.platform !== 'linux' || process.arch !== 'x64') {
    t.skip('the package carries a Linux x64 server only');
    return;
  }
  assert.ok(fs.existsSync(Package), `${Package} is missing: run npm run package first`);
  const entry = ReadZip(fs.readFileSync(Package)).get(ServerEntry);
  assert.ok(entry, `${ServerEntry} is not in the package`);
  assert.strictEqual(entry.mode & 0o111, 0o111, 'the server lost its execute bits in the package');

  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'qmate-vsx-'));
  t.after(() => fs.rmSync(work, { recursive: true, force: true }));
  const server = path.join(work, 'qmate');
  fs.writeFileSync(server, entry.contents(), { mode: entry.mode & 0o777 });
  const document = path.join(work, 'stock.prg');
  fs.copyFileSync(Sample, document);
  const text = fs.readFileSync(document, 'utf8');
  const uri = `file://${document}`;

  const { status, answers } = await RunSession(server, [
    { id: 1, method: 'initialize', params: { processId: process.pid, rootUri: null, capabilities: {} } },
    { method: 'initialized', params: {} },
    { method: 'textDocument/didOpen', params: { textDocument: { uri, languageId: 'clipper', version: 1, text } } },
    { id: 2, method: 'textDocument/formatting', params: { textDocument: { uri }, options: { tabSize: 3, insertSpaces: true } } },
    { id: 3, method: 'shutdown' },
    { method: 'exit' },
  ]);
  assert.strictEqual(status, 0);
  const formatted = answers.find((answer) => answer.id === 2);
  assert.ok(formatted && Array.isArray(formatted.result), `no edits: ${JSON.stringify(formatted)}`);
  const expected = execFileSync(server, ['reindent', document], { encoding: 'utf8' });
  assert.notStrictEqual(expected, text, 'the sample is indented already');
  assert.strictEqual(ApplyEdits(text, formatted.result), expected);
});
