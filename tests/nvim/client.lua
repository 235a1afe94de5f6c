-- A headless Neovim session that uses its built-in LSP client on `qmate lsp`: it opens
-- $QMATE_FILE, runs one request ($QMATE_OP: format, range, symbols, comment, fold,
-- highlight, ontype or lint; or on the workspace index: wsymbol, definition, references or
-- hover) the way the editor's own commands do, and writes the buffer back (symbols, fold,
-- highlight, lint and the index: write lines to $QMATE_OUT). Before format it runs the Ex
-- commands of $QMATE_EDIT (separated by ";"), which reach the server as incremental changes.
-- Any failure quits with a non-zero status.
local env = vim.env
local function fail(message)
  io.stderr:write('nvim client: ' .. message .. '\n')
  vim.cmd('cquit 1')
end

-- Write the buffer with the line ends and final newline it was read with.
vim.o.fixendofline = false
vim.cmd('edit ' .. vim.fn.fnameescape(env.QMATE_FILE))
local buffer = vim.api.nvim_get_current_buf()

local client_id = vim.lsp.start_client({
  name = 'qmate',
  cmd = { env.QMATE_TOOL, 'lsp' },
  root_dir = vim.fn.getcwd(),
  on_exit = function(code)
    if code ~= 0 then
      io.stderr:write('nvim client: qmate lsp exited with ' .. code .. '\n')
    end
  end,
})
if not client_id then
  fail('cannot start qmate lsp')
end
vim.lsp.buf_attach_client(buffer, client_id)
local client = vim.lsp.get_client_by_id(client_id)
if not vim.wait(10000, function()
  return client.initialized or (client.server_capabilities and next(client.server_capabilities) ~= nil)
end, 10) then
  fail('the server did not answer initialize')
end

local first, last = 0, 0
if env.QMATE_LINES and env.QMATE_LINES ~= '' then
  local a, b = env.QMATE_LINES:match('^(%d+)-(%d+)$')
  first, last = tonumber(a), tonumber(b)
end
local column = tonumber(env.QMATE_COLUMN or '0') or 0
local uri = vim.uri_from_bufnr(buffer)
-- Lines first to last (1-based), as a linewise selection hands them over.
local range = {
  start = { line = first - 1, character = column },
  ['end'] = { line = last, character = 0 },
}

local function request(method, params)
  local replies, err = vim.lsp.buf_request_sync(buffer, method, params, 10000)
  if not replies then
    fail(method .. ': ' .. tostring(err))
  end
  local reply = replies[client_id]
  if not reply or reply.error then
    fail(method .. ': ' .. vim.inspect(reply and reply.error))
  end
  return reply.result
end

local op = env.QMATE_OP
if op == 'format' then
  -- Typed changes first, so that the server formats the text as incremental changes left it.
  for _, command in ipairs(vim.split(env.QMATE_EDIT or '', ';', { trimempty = true })) do
    vim.cmd(command)
  end
  vim.lsp.buf.formatting_sync(nil, 10000)
elseif op == 'range' then
  local edits = request('textDocument/rangeFormatting', {
    textDocument = { uri = uri },
    range = range,
    options = { tabSize = 8, insertSpaces = true },
  })
  vim.lsp.util.apply_text_edits(edits or {}, buffer, client.offset_encoding)
elseif op == 'symbols' then
  -- Every symbol, classes' methods too, in the order of their lines.
  local symbols = {}
  local function collect(list)
    for _, symbol in ipairs(list or {}) do
      table.insert(symbols, symbol)
      collect(symbol.children)
    end
  end
  collect(request('textDocument/documentSymbol', { textDocument = { uri = uri } }))
  table.sort(symbols, function(a, b)
    return a.selectionRange.start.line < b.selectionRange.start.line
  end)
  local lines = {}
  for _, symbol in ipairs(symbols) do
    local line = symbol.selectionRange.start.line
    local text = vim.api.nvim_buf_get_lines(buffer, line, line + 1, true)[1]
    if vim.trim(text) ~= symbol.name then
      fail('symbol ' .. symbol.name .. ' does not name its line: ' .. text)
    end
    table.insert(lines, env.QMATE_NAME .. ':' .. (line + 1) .. ':' .. text)
  end
  vim.fn.writefile(lines, env.QMATE_OUT)
elseif op == 'wsymbol' or op == 'definition' or op == 'references' or op == 'hover' then
  -- The index: at the first use of $QMATE_WORD in the buffer, lines FILE:LINE:TEXT for the
  -- locations answered (read from their files), in order; hover: the text it shows.
  local at
  for number, text in ipairs(vim.api.nvim_buf_get_lines(buffer, 0, -1, true)) do
    local column = text:find(env.QMATE_WORD, 1, true)
    if column and not at then
      at = { line = number - 1, character = column }
    end
  end
  local params = {
    textDocument = { uri = uri },
    position = at,
    context = { includeDeclaration = true },
    query = env.QMATE_WORD:lower(),
  }
  local method = op == 'wsymbol' and 'workspace/symbol' or 'textDocument/' .. op
  local result = request(method, params) or {}
  local lines = {}
  if op == 'hover' then
    lines = vim.split(result.contents.value, '\n')
  else
    for _, item in ipairs(result) do
      local location = item.location or item
      local path = vim.uri_to_fname(location.uri)
      local line = location.range.start.line
      table.insert(lines, vim.fn.fnamemodify(path, ':t') .. ':' .. (line + 1) .. ':'
        .. vim.fn.readfile(path)[line + 1])
    end
    table.sort(lines)
  end
  vim.fn.writefile(lines, env.QMATE_OUT)
elseif op == 'comment' then
  -- The code action the editor offers for the selected lines, run through the server.
  local actions = request('textDocument/codeAction', {
    textDocument = { uri = uri },
    range = range,
    context = { diagnostics = {} },
  })
  local chosen
  for _, action in ipairs(actions or {}) do
    local command = action.command
    if type(command) == 'table' and command.command == 'qmate.comment' then
      chosen = command
    end
  end
  if not chosen then
    fail('no comment action offered')
  end
  local tick = vim.api.nvim_buf_get_changedtick(buffer)
  request('workspace/executeCommand', chosen)
  if not vim.wait(10000, function()
    return vim.api.nvim_buf_get_changedtick(buffer) ~= tick
  end, 10) then
    fail('the comment edit never arrived')
  end
elseif op == 'fold' then
  -- Every folding range as FIRST-LAST, lines from 1.
  local lines = {}
  local folds = request('textDocument/foldingRange', { textDocument = { uri = uri } })
  for _, fold in ipairs(folds or {}) do
    table.insert(lines, (fold.startLine + 1) .. '-' .. (fold.endLine + 1))
  end
  vim.fn.writefile(lines, env.QMATE_OUT)
elseif op == 'highlight' then
  -- The highlight on each ENDIF, NEXT and ENDDO standing alone: LINE:the clause after its
  -- opener's words, a comment after it left out.
  local lines = {}
  for index, text in ipairs(vim.api.nvim_buf_get_lines(buffer, 0, -1, true)) do
    local indent, word = text:match('^(%s*)(%a+)%s*$')
    local upper = word and word:upper() or ''
    if upper == 'ENDIF' or upper == 'NEXT' or upper == 'ENDDO' then
      local found = request('textDocument/documentHighlight', {
        textDocument = { uri = uri },
        position = { line = index - 1, character = #indent },
      })
      if found and found[1] then
        local opener = found[1].range
        local at = opener.start.line
        local line = vim.api.nvim_buf_get_lines(buffer, at, at + 1, true)[1]
        local after =
          vim.lsp.util._str_byteindex_enc(line, opener['end'].character, client.offset_encoding)
        table.insert(lines, index .. ':' .. vim.trim((line:sub(after + 1):gsub('%s*//.*$', ''))))
      end
    end
  end
  vim.fn.writefile(lines, env.QMATE_OUT)
elseif op == 'ontype' then
  -- The last letter of line FIRST typed (or, with QMATE_TYPED "\n", Enter at the start of
  -- line FIRST), and the edits the server answers applied.
  local typed = env.QMATE_TYPED
  local line = vim.api.nvim_buf_get_lines(buffer, first - 1, first, true)[1]
  local character = 0
  if typed ~= '\n' then
    typed = line:sub(-1)
    character = vim.lsp.util._str_utfindex_enc(line, #line, client.offset_encoding)
  end
  local edits = request('textDocument/onTypeFormatting', {
    textDocument = { uri = uri },
    position = { line = first - 1, character = character },
    ch = typed,
    options = { tabSize = 8, insertSpaces = true },
  })
  vim.lsp.util.apply_text_edits(edits or {}, buffer, client.offset_encoding)
elseif op == 'lint' then
  -- The diagnostics published for the file as opened, as FILE:LINE:COLUMN: warning: TEXT.
  if not vim.wait(10000, function()
    return #vim.diagnostic.get(buffer) > 0
  end, 10) then
    fail('no diagnostics were published')
  end
  local found = vim.diagnostic.get(buffer)
  table.sort(found, function(a, b)
    return a.lnum < b.lnum or (a.lnum == b.lnum and a.col < b.col)
  end)
  local lines = {}
  for _, item in ipairs(found) do
    local severity = item.severity == vim.diagnostic.severity.WARN and 'warning' or 'other'
    table.insert(lines, env.QMATE_NAME .. ':' .. (item.lnum + 1) .. ':' .. (item.col + 1) .. ': '
      .. severity .. ': ' .. item.message)
  end
  vim.fn.writefile(lines, env.QMATE_OUT)
else
  fail('unknown QMATE_OP ' .. tostring(op))
end

if op == 'format' or op == 'range' or op == 'comment' or op == 'ontype' then
  vim.cmd('silent write')
end
vim.lsp.stop_client(client_id)
vim.cmd('qall!')
