// The language server on arbitrary bytes handed over in pieces (the first byte chooses their
// size): it never crashes, and everything it sends is framed, valid JSON; each header it reads
// gets at most one answer.
#include "../lsp/lsp.hpp"
#include "fuzz_host.hpp"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  static const std::string Folder = FuzzFolder("lsp");
  LspServer.Options = CliOptions();
  LspServer.Options.SetupDir = Folder + "/setup";
  LspReset();
  const std::string Input(reinterpret_cast<const char *>(Data), Size);
  std::size_t Piece = Size ? Data[0] % 97 + 1 : 1;
  std::string Out;
  for (std::size_t I = 1; I < Size; I += Piece)
    LspFeed(Input.data() + I, std::min(Piece, Size - I), Out);
  // At most one answer per header end, and one per run of bytes too long to be a header.
  std::size_t Headers = Size / 8192 + 1;
  for (std::size_t At = 0; (At = Input.find("\r\n\r\n", At)) != std::string::npos; At += 4)
    ++Headers;
  std::size_t Answers = 0;
  for (std::size_t At = 0; At < Out.size();) {
    static const std::string Head = "Content-Length: ";
    std::size_t HeaderEnd = Out.find("\r\n\r\n", At);
    if (Out.compare(At, Head.size(), Head) != 0 || HeaderEnd == std::string::npos)
      FuzzFail("a message without its header");
    std::size_t Length = std::stoul(Out.substr(At + Head.size(), HeaderEnd - At - Head.size()));
    if (HeaderEnd + 4 + Length > Out.size())
      FuzzFail("a message shorter than its Content-Length");
    Json Message = Json::parse(Out.substr(HeaderEnd + 4, Length), nullptr, false);
    if (Message.is_discarded() || !Message.is_object())
      FuzzFail("a message that is not a JSON object");
    if (!Message.contains("method")) {
      if (Message.value("jsonrpc", "") != "2.0" ||
          Message.contains("result") == Message.contains("error"))
        FuzzFail("an answer without its result or error: " + Message.dump());
      if (++Answers > Headers)
        FuzzFail("more answers than messages");
    }
    At = HeaderEnd + 4 + Length;
  }
  return 0;
}
