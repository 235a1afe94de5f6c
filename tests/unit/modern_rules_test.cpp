// The Modern rules, row by row: each construct's opener, middle words and closer, the
// abbreviations and END forms, conditional compilation, and the layout the author chose
// (comment interiors, banners, continuation lines, blank-line runs, CASE styles).
#include "harness.hpp"
#include "../../src/words/words.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

struct ModernRow {
  const char *Name;
  int CaseIndent, BlankLines, KeepContinuation, KeepColumn0Comments, ReturnAtHeader, DialogBlocks,
      FlatSequence, RoutineBody, ClassBody;
  const char *Input;
  const char *Expected;
  const char *More = nullptr;   // further [Rules] keys, as "Steps=Block TabWidth=4"
  const char *Header = nullptr; // the text of own.ch, beside the file
};

// Sets the [Rules] keys of More, each as a settings file would give it.
void SetMoreRules(const char *More) {
  std::string Text = More ? More : "";
  std::size_t At = 0;
  while (At < Text.size()) {
    std::size_t End = Text.find(' ', At);
    if (End == std::string::npos)
      End = Text.size();
    std::string Pair = Text.substr(At, End - At);
    std::size_t Equal = Pair.find('=');
    bool Known = false;
    for (const RulesKey &Key : RulesKeys)
      if (Equal != std::string::npos && Pair.compare(0, Equal, Key.Name) == 0) {
        int Value = Key.Words ? RulesValueFromText(Key, Pair.substr(Equal + 1))
                              : std::atoi(Pair.c_str() + Equal + 1);
        ASSERT_GE(Value, 0) << Pair;
        PluginRules.*Key.Field = Value;
        Known = true;
      }
    ASSERT_TRUE(Known) << Pair;
    At = End + 1;
  }
}

// Tab 3, bodies 3 right of their header, as in Harbour's own sources.
const ModernRow ModernRows[] = {
    {"IfElseIfElse", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNCTION F()\nIF a\nx()\nELSEIF b\ny()\nELSE\nz()\nENDIF\nRETURN 0",
     "FUNCTION F()\n   IF a\n      x()\n   ELSEIF b\n      y()\n   ELSE\n      z()\n   ENDIF\n   "
     "RETURN 0"},
    {"AbbreviationsAndEndWord", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "PROC P\nWHIL a\nIF b\nx()\nEND IF\nENDD\nDO CASE\nCASE a\nOTHE\ny()\nENDC\nRETURN",
     "PROC P\n   WHIL a\n      IF b\n         x()\n      END IF\n   ENDD\n   DO CASE\n   CASE a\n  "
     " "
     "OTHE\n      y()\n   ENDC\n   RETURN"},
    // The shortest spellings Harbour compiles: its lexer's, and ENDFOR's from the standard header.
    {"HarbourAbbreviations", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "PROC P\nFOR i := 1 TO 3\nx()\nENDF\nSWIT n\nCASE 1\ny()\nENDSW\nBEGIN SEQUENCE\nz()\nALWA\n"
     "w()\nENDSEQ\nWITH OBJECT o\n:Go()\nENDW\nIF a\nELSEI b\nENDI\nRETURN",
     "PROC P\n   FOR i := 1 TO 3\n      x()\n   ENDF\n   SWIT n\n   CASE 1\n      y()\n   ENDSW\n  "
     " "
     "BEGIN SEQUENCE\n      z()\n   ALWA\n      w()\n   ENDSEQ\n   WITH OBJECT o\n      :Go()\n   "
     "ENDW\n   IF a\n   ELSEI b\n   ENDI\n   RETURN"},
    {"LibraryCommandsNamedLikeMethodHeaders", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "METHOD Go() CLASS T\nIF a\nASSIGN x VALUE 1 TYPE \"L\"\nASSIGN y := 2\nENDIF\nRETURN Self\n"
     "ACCESS Name CLASS T\nRETURN ::cName",
     "METHOD Go() CLASS T\n   IF a\n      ASSIGN x VALUE 1 TYPE \"L\"\n      ASSIGN y := 2\n   "
     "ENDIF\n   RETURN Self\n\nACCESS Name CLASS T\n   RETURN ::cName"},
    {"XbaseMethodHeaders", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "METHOD PROCEDURE TFoo:Go()\nx := 1\nRETURN\nMETHOD FUNCTION TFoo:Get()\nRETURN 1",
     "METHOD PROCEDURE TFoo:Go()\n   x := 1\n   RETURN\n\nMETHOD FUNCTION TFoo:Get()\n   RETURN 1"},
    {"BareEndClosesWhatIsOpen", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "PROCEDURE P\nFOR EACH x IN a\nWITH OBJECT x\n:Go()\nEND\nNEXT\nDO WHILE .T.\nEXIT\nEND "
     "DO\nRETURN",
     "PROCEDURE P\n   FOR EACH x IN a\n      WITH OBJECT x\n         :Go()\n      END\n   NEXT\n   "
     "DO "
     "WHILE .T.\n      EXIT\n   END DO\n   RETURN"},
    {"CaseFlush", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nDO CASE\nCASE a\nx()\nOTHERWISE\ny()\nENDCASE\nRETURN 1",
     "FUNC F\n   DO CASE\n   CASE a\n      x()\n   OTHERWISE\n      y()\n   ENDCASE\n   RETURN 1"},
    {"CaseIndented", 1, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nSWITCH n\nCASE 1\nx()\nEXIT\nOTHERWISE\ny()\nENDSWITCH\nRETURN 1",
     "FUNC F\n   SWITCH n\n      CASE 1\n         x()\n         EXIT\n      OTHERWISE\n         "
     "y()\n   ENDSWITCH\n   RETURN 1"},
    {"SequenceAndTry", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nBEGIN SEQUENCE\nx()\nRECOVER USING e\ny()\nALWAYS\nz()\nEND "
     "SEQUENCE\nTRY\nx()\nCATCH "
     "e\ny()\nFINALLY\nz()\nEND TRY\nRETURN 1",
     "FUNC F\n   BEGIN SEQUENCE\n      x()\n   RECOVER USING e\n      y()\n   ALWAYS\n      z()\n  "
     " "
     "END SEQUENCE\n   TRY\n      x()\n   CATCH e\n      y()\n   FINALLY\n      z()\n   END TRY\n  "
     " "
     "RETURN 1"},
    {"MessagesAndFieldsAreNoBlockWords", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nIF ::lOk\noDlg:End()\n::End()\nend := 1\nnext[ 1 ] := 2\nA->Case := 3\nENDIF\nRETURN "
     "1",
     "FUNC F\n   IF ::lOk\n      oDlg:End()\n      ::End()\n      end := 1\n      next[ 1 ] := 2\n "
     "  "
     "   A->Case := 3\n   ENDIF\n   RETURN 1"},
    {"UnclosedBlocksEndAtTheNextHeader", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nIF a\nx()\nFUNC G\nRETURN 2", "FUNC F\n   IF a\n      x()\n\nFUNC G\n   RETURN 2"},
    {"CloserTakesInnerBlocksLeftOpen", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nFOR i := 1 TO 3\nIF a\nx()\nNEXT\ny()",
     "FUNC F\n   FOR i := 1 TO 3\n      IF a\n         x()\n   NEXT\n   y()"},
    {"HeadersAndClasses", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "STATIC FUNCTION A()\nRETURN 1\nINIT PROCEDURE B\nRETURN\nEXIT PROC C\nRETURN\nSTAT FUNC "
     "D\nRETURN 2\nCREATE CLASS T INHERIT U\nVAR x\nMETHOD New()\nACCESS y INLINE "
     "1\nENDCLASS\nMETHOD "
     "New() CLASS T\nRETURN Self\nCLASS V\nEND CLASS\nprocessed := .T.",
     "STATIC FUNCTION A()\n   RETURN 1\n\nINIT PROCEDURE B\n   RETURN\n\nEXIT PROC C\n   "
     "RETURN\n\nSTAT FUNC D\n   RETURN 2\n\nCREATE CLASS T INHERIT U\n   VAR x\n   METHOD New()\n  "
     " "
     "ACCESS y INLINE 1\nENDCLASS\n\nMETHOD New() CLASS T\n   RETURN Self\n\nCLASS V\nEND "
     "CLASS\nprocessed := .T."},
    {"PreprocessorAtColumnZeroBranchesFromTheIf", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\n   #ifdef X\nIF a\n# else\nIF b\n#endif\nx()\n#endi\nENDIF\n  #define Y 1\nRETURN 1",
     "FUNC F\n#ifdef X\n   IF a\n# else\n   IF b\n#endif\n      x()\n#endi\n   ENDIF\n#define Y "
     "1\n   RETURN 1"},
    {"ConditionalMiddleWords", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nDO CASE\n#ifdef X\nCASE a\n#else\nCASE b\n#endif\nx()\nENDCASE\nRETURN 1",
     "FUNC F\n   DO CASE\n#ifdef X\n   CASE a\n#else\n   CASE b\n#endif\n      x()\n   ENDCASE\n   "
     "RETURN 1"},
    {"CommentInteriorsKeepTheirShape", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\n      /* a box\n       *  indented\n       */\nx := 1 /* trailing\n        goes on "
     "*/\nRETURN 1",
     "FUNC F\n   /* a box\n    *  indented\n    */\n   x := 1 /* trailing\n           goes on */\n "
     "  "
     "RETURN 1"},
    {"BannerBelongsToTheHeader", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nRETURN 1\n   // about G\n   /* more\n      about G */\nFUNC G\nRETURN 2",
     "FUNC F\n   RETURN 1\n\n// about G\n/* more\n   about G */\nFUNC G\n   RETURN 2"},
    {"ColumnZeroCommentsStay", 0, 1, 1, 1, 0, 0, 0, 0, 0, "FUNC F\n// x()\n  * y()\nRETURN 1",
     "FUNC F\n// x()\n   * y()\n   RETURN 1"},
    {"ColumnZeroCommentsFollowTheCode", 0, 1, 1, 0, 0, 0, 0, 0, 0, "FUNC F\n// x()\nRETURN 1",
     "FUNC F\n   // x()\n   RETURN 1"},
    {"BlankRunsSqueezed", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\n\n\n\nx()\n  \ny()\n\n\nFUNC G\nRETURN 2",
     "FUNC F\n\n   x()\n\n   y()\n\nFUNC G\n   RETURN 2"},
    {"BlankRunsOfTwo", 0, 2, 1, 1, 0, 0, 0, 0, 0, "FUNC F\n\n\n\nx()\nFUNC G\n\n\nRETURN 2",
     "FUNC F\n\n\n   x()\n\nFUNC G\n\n\n   RETURN 2"},
    {"NoBlankLinesKept", 0, 0, 1, 1, 0, 0, 0, 0, 0, "FUNC F\n\nx()\n\n\nFUNC G\nRETURN 2",
     "FUNC F\n   x()\n\nFUNC G\n   RETURN 2"},
    {"ContinuationOffsetsKept", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\n      x := Foo( a, ;\n              b, ;\n         c )\n      IF a .AND. ;\n    "
     "b\nx()\nENDIF",
     "FUNC F\n   x := Foo( a, ;\n           b, ;\n      c )\n   IF a .AND. ;\n b\n      x()\n   "
     "ENDIF"},
    {"ContinuationAligned", 0, 1, 0, 1, 0, 0, 0, 0, 0,
     "FUNC F\n      x := Foo( a, ;\n              b )\nRETURN 1",
     "FUNC F\n   x := Foo( a, ;\n     b )\n   RETURN 1"},
    {"StatementsSeparatedBySemicolons", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nFOR i := 1 TO 3; x(); NEXT\nIF a; y(); ENDIF // IF b; c\nz( \";FOR\" )\nRETURN 1",
     "FUNC F\n   FOR i := 1 TO 3; x(); NEXT\n   IF a; y(); ENDIF // IF b; c\n   z( \";FOR\" )\n   "
     "RETURN 1"},
    {"ReturnUnderTheHeader", 0, 1, 1, 1, 1, 0, 0, 0, 0,
     "FUNCTION F()\nIF a\nRETURN 1\nENDIF\nRETURN 2\nPROCEDURE P\nx()\nreturn",
     "FUNCTION F()\n   IF a\n      RETURN 1\n   ENDIF\nRETURN 2\n\nPROCEDURE P\n   x()\nreturn"},
    {"DialogBetweenDefineAndActivate", 0, 1, 1, 1, 0, 1, 0, 0, 0,
     "FUNC F\nIF a\nDEFINE DIALOG oWin TITLE \"t\"\nREDEFINE SAY ID 1 OF oWin\nACTIVATE DIALOG "
     "oWin\nENDIF\nDEFINE TABLE oT FILE \"t.dbf\"\nFIELD NAME \"x\" TYPE \"C\"\nEND DATABASE "
     "oT\nRETURN 1",
     "FUNC F\n   IF a\n      DEFINE DIALOG oWin TITLE \"t\"\n         REDEFINE SAY ID 1 OF oWin\n "
     "     ACTIVATE DIALOG oWin\n   ENDIF\n   DEFINE TABLE oT FILE \"t.dbf\"\n      FIELD NAME "
     "\"x\" TYPE \"C\"\n   END DATABASE oT\n   RETURN 1"},
    {"DefinitionsTheTextEndsItself", 0, 1, 1, 1, 0, 1, 0, 0, 0,
     "FUNC F\nIF a\nDEFINE BUTTONEX b\nROW 2\nEND BUTTONEX\nDEFINE MAIN MENU\nPOPUP \"x\"\nITEM "
     "\"a\"\nEND POPUP\nEND MENU\nSTART PRINTDOC\nx()\nEND PRINTDOC\nMENU oMenu\nMENU\nMENUITEM "
     "\"b\"\nENDMENU\nENDMENU\nMENU TO n\nENDIF",
     "FUNC F\n   IF a\n      DEFINE BUTTONEX b\n         ROW 2\n      END BUTTONEX\n      DEFINE "
     "MAIN MENU\n         POPUP \"x\"\n            ITEM \"a\"\n         END POPUP\n      END "
     "MENU\n      START PRINTDOC\n         x()\n      END PRINTDOC\n      MENU oMenu\n         "
     "MENU\n            MENUITEM \"b\"\n         ENDMENU\n      ENDMENU\n      MENU TO n\n   "
     "ENDIF"},
    {"DialogFlushAndEndDatabaseClosesNoBlock", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nIF a\nDEFINE DIALOG oWin\nx()\nACTIVATE DIALOG oWin\nEND DATABASE oT\ny()\nENDIF",
     "FUNC F\n   IF a\n      DEFINE DIALOG oWin\n      x()\n      ACTIVATE DIALOG oWin\n      END "
     "DATABASE oT\n      y()\n   ENDIF"},
    {"SequenceFlatUntilRecover", 0, 1, 1, 1, 0, 0, 1, 0, 0,
     "FUNC F\nBEGIN SEQUENCE\nIF a\nx()\nENDIF\nRECOVER USING e\ny()\nEND SEQUENCE\nBEGIN "
     "SEQUENCE\nz()\nEND\nRETURN 1",
     "FUNC F\n   BEGIN SEQUENCE\n   IF a\n      x()\n   ENDIF\n   RECOVER USING e\n      y()\n   "
     "END SEQUENCE\n   BEGIN SEQUENCE\n   z()\n   END\n   RETURN 1"},
    {"ClassDeclarationsAtTheirOwnDistance", 0, 1, 1, 1, 0, 0, 0, 0, 6,
     "CLASS T\nDATA a\nMETHOD Go()\nENDCLASS\nMETHOD Go() CLASS T\nx()\nRETURN Self",
     "CLASS T\n      DATA a\n      METHOD Go()\nENDCLASS\n\nMETHOD Go() CLASS T\n   x()\n   "
     "RETURN Self"},
    {"EachRoutineKeepsItsBodyDistance", 0, 1, 1, 1, 0, 0, 0, 1, 0,
     "FUNC F\n  x()\n  IF a\n  y()\n  ENDIF\nFUNC G\n      z()\nRETURN 1\nFUNC H\nRETURN 2",
     "FUNC F\n  x()\n  IF a\n     y()\n  ENDIF\n\nFUNC G\n      z()\n      RETURN 1\n\nFUNC "
     "H\n   RETURN 2"},
    {"BodyFlushWithItsHeader", 0, 1, 1, 1, 0, 0, 0, 1, 0,
     "FUNC F\nx()\nIF a\ny()\nENDIF\nRETURN 1\nFUNC G\nRETURN 2\n  z()",
     "FUNC F\nx()\nIF a\n   y()\nENDIF\nRETURN 1\n\nFUNC G\n   RETURN 2\n   z()"},
    {"DeclarationsFlushWithTheirHeaderStayThere", 0, 1, 1, 1, 0, 0, 0, 1, 0,
     "FUNC F\nLOCAL a\nPRIV b\n   x()\n   IF a\n   y()\n   ENDIF\nRETURN 1",
     "FUNC F\nLOCAL a\nPRIV b\n   x()\n   IF a\n      y()\n   ENDIF\n   RETURN 1"},
    {"EarlyReturnAtHeaderGivesNoBodyDistance", 0, 1, 1, 1, 1, 0, 0, 1, 0,
     "FUNC F\n     RETURN 1\n     IF a\n     x()\n     ENDIF\nRETURN 0",
     "FUNC F\nRETURN 1\n   IF a\n      x()\n   ENDIF\nRETURN 0"},
    {"SequenceMeasuredFromItsOwnColumnPastPreprocessorLines", 0, 1, 1, 1, 0, 0, 2, 0, 0,
     "FUNC F\n   BEGIN SEQUENCE\n    #ifdef X\n x()\n#endif\nEND\nRETURN 1",
     "FUNC F\n   BEGIN SEQUENCE\n#ifdef X\n   x()\n#endif\n   END\n   RETURN 1"},
    {"NestedBranchesRestoreTheBlocksOfTheirIf", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nIF a\n#ifdef X\nFOR i := 1 TO 2\n#ifdef Y\nENDIF\n#else\nWHILE b\n#endif\nx()\n#"
     "else\nDO CASE\n#endif\ny()\nEND\nz()\nRETURN 1",
     "FUNC F\n   IF a\n#ifdef X\n      FOR i := 1 TO 2\n#ifdef Y\n   ENDIF\n#else\n         WHILE "
     "b\n#endif\n   x()\n#else\n      DO CASE\n#endif\n   y()\n   END\n   z()\n   RETURN 1"},
    {"FlatSequenceRecoveredInEachBranch", 0, 1, 1, 1, 0, 0, 1, 0, 0,
     "FUNC F\nBEGIN SEQUENCE\nx()\n#ifdef X\nRECOVER\ny()\n#else\nRECOVER USING "
     "e\nz()\n#endif\nw()\nEND\nRETURN 1",
     "FUNC F\n   BEGIN SEQUENCE\n   x()\n#ifdef X\n   RECOVER\n      y()\n#else\n   RECOVER "
     "USING e\n      z()\n#endif\n      w()\n   END\n   RETURN 1"},
    {"SequenceFlatWhereWrittenSo", 0, 1, 1, 1, 0, 0, 2, 0, 0,
     "FUNC F\nBEGIN SEQUENCE\nx()\nRECOVER\ny()\nEND\nBEGIN SEQUENCE\n  x()\nEND "
     "SEQUENCE\nRETURN 1",
     "FUNC F\n   BEGIN SEQUENCE\n   x()\n   RECOVER\n      y()\n   END\n   BEGIN SEQUENCE\n      "
     "x()\n   END SEQUENCE\n   RETURN 1"},
    {"DialogIndentedWhereWrittenSo", 0, 1, 1, 1, 0, 2, 0, 0, 0,
     "FUNC F\nDEFINE DIALOG a\nx()\nACTIVATE DIALOG a\nDEFINE WINDOW b\n  y()\nACTIVATE WINDOW "
     "b\nz()",
     "FUNC F\n   DEFINE DIALOG a\n   x()\n   ACTIVATE DIALOG a\n   DEFINE WINDOW b\n      y()\n   "
     "ACTIVATE WINDOW b\n   z()"},
    {"EndOfFileMarkKept", 0, 1, 1, 1, 0, 0, 0, 0, 0, "FUNC F\nRETURN 1\n\x1A",
     "FUNC F\n   RETURN 1\n\x1A"},
    {"TextBlocksAsTheyStand", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nTEXT\n  IF  \n\n\nENDTEXT\nRETURN 1",
     "FUNC F\n   TEXT\n  IF  \n\n\n   ENDTEXT\n   RETURN 1"},
    // A middle word shows no step; a comment kept at column 0 neither; a first block written
    // flush decides Tab for its routine.
    {"EachRoutineKeepsTheStepOfItsFirstBlock", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nIF a\nELSE\n  x()\nENDIF\nIF b\n// off\n  // why\n    y()\nENDIF\nFOR i := 1 TO "
     "2\n      z()\nNEXT\nFUNC G\nWHILE b\n    w()\nENDDO\nIF c\nv()\nENDIF\nFUNC H\nIF a\nx()"
     "\nENDIF\nIF b\n  y()\nENDIF",
     "FUNC F\n   IF a\n   ELSE\n      x()\n   ENDIF\n   IF b\n// off\n     // why\n     y()\n   "
     "ENDIF\n   FOR i := 1 TO 2\n     z()\n   NEXT\n\nFUNC G\n   WHILE b\n       w()\n   "
     "ENDDO\n   IF c\n       v()\n   ENDIF\n\nFUNC H\n   IF a\n      x()\n   ENDIF\n   IF b\n   "
     "   y()\n   ENDIF",
     "Steps=Routine"},
    // A block opened by a closer, or whose first line stands left of it, takes the routine's
    // step; one written flush stays flush.
    {"EachBlockAsItsFirstLineStands", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nIF a\n  x()\n  IF b\n        y()\n  ELSE\n  z()\n  ENDIF\nENDIF\nFOR i := 1 TO "
     "2\nNEXT\n  WHILE c\nw()\n  ENDDO\nIF d\nq()\nENDIF",
     "FUNC F\n   IF a\n     x()\n     IF b\n           y()\n     ELSE\n           z()\n     "
     "ENDIF\n   ENDIF\n   FOR i := 1 TO 2\n   NEXT\n   WHILE c\n     w()\n   ENDDO\n   IF d\n   "
     "q()\n   ENDIF",
     "Steps=Block"},
    // An opener keeps its distance from its block's first line (here WHILE one column left
    // of the routine's first statement, the second IF two right of its block's), its middle
    // words and closer under it, its body as its own first line stands.
    {"OpenersKeepTheirDistanceFromTheirBlock", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\n x()\nWHILE a\n y()\n IF b\n    z()\n ENDIF\n   IF c\n      w()\n   ELSE\n"
     "      v()\n   ENDIF\n u()\nENDDO\nq()",
     "FUNC F\n   x()\n  WHILE a\n   y()\n   IF b\n      z()\n   ENDIF\n     IF c\n        w()\n"
     "     ELSE\n        v()\n     ENDIF\n   u()\n  ENDDO\n   q()",
     "Steps=Block KeepOpeners=1"},
    // A declaration is no first statement, even one written left of its header.
    {"OpenersAfterADeclarationLeftOfTheHeader", 0, 1, 1, 1, 0, 0, 0, 2, 0,
     "  FUNC F\nLOCAL n\n  FOR n := 1 TO 2\n      x()\n  NEXT\n  y()",
     "  FUNC F\n     LOCAL n\n     FOR n := 1 TO 2\n        x()\n     NEXT\n     y()",
     "KeepOpeners=1"},
    {"OpenersKeptWithFixedSteps", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nx()\n  DO CASE\n  CASE a\ny()\n  OTHERWISE\nz()\n  ENDCASE\nRETURN 1",
     "FUNC F\n   x()\n     DO CASE\n     CASE a\n        y()\n     OTHERWISE\n        z()\n     "
     "ENDCASE\n   RETURN 1",
     "KeepOpeners=1"},
    {"CaseBodiesAsTheFirstBodyUnderACaseStands", 2, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nDO CASE\n    CASE a\n      x()\n    CASE b\n      y()\nENDCASE\nSWITCH n\nCASE "
     "1\nCASE 2\n        z()\nOTHERWISE\nENDSWITCH",
     "FUNC F\n   DO CASE\n       CASE a\n         x()\n       CASE b\n         y()\n   "
     "ENDCASE\n   SWITCH n\n   CASE 1\n   CASE 2\n           z()\n   OTHERWISE\n   ENDSWITCH",
     "Steps=Block"},
    {"CaseLinesAsEachFirstCaseStands", 2, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nDO CASE\n    CASE a\n      x()\nENDCASE\nSWITCH n\nCASE 1\n        z()\nOTHERWISE\n"
     "ENDSWITCH",
     "FUNC F\n   DO CASE\n      CASE a\n         x()\n   ENDCASE\n   SWITCH n\n   CASE 1\n      "
     "z()\n   OTHERWISE\n   ENDSWITCH"},
    {"HeadersStayAtTheirColumn", 0, 1, 1, 1, 0, 0, 0, 2, 0,
     "FUNC F\n  x()\n    // about G\n    FUNC G\n       y()\n    RETURN 2\n  CLASS T\n  DATA "
     "a\n  ENDCLASS",
     "FUNC F\n  x()\n\n    // about G\n    FUNC G\n       y()\n       RETURN 2\n\n  CLASS T\n     "
     "DATA a\n  ENDCLASS"},
    {"BodyLeftOfItsHeaderStaysLeft", 0, 1, 1, 1, 0, 0, 0, 3, 0,
     "      METHOD New() CLASS T\nx()\nIF a\ny()\nENDIF\nRETURN Self\n  FUNC G\n    z()",
     "      METHOD New() CLASS T\nx()\nIF a\n   y()\nENDIF\nRETURN Self\n\n  FUNC G\n    z()"},
    // The block's first line is the first after its opener as the file reads.
    {"ALaterBranchTakesTheRoutinesStep", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nIF a\n#ifdef X\n  x()\n#else\n      y()\n#endif\nENDIF",
     "FUNC F\n   IF a\n#ifdef X\n     x()\n#else\n     y()\n#endif\n   ENDIF", "Steps=Block"},
    // Blocks opened on one line: the first line after it is measured from the step of the
    // ones below the last.
    {"BlocksOpenedOnOneLine", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nFOR i := 1 TO 2; FOR j := 1 TO 2\n    x()\nNEXT; NEXT\nRETURN 1",
     "FUNC F\n   FOR i := 1 TO 2; FOR j := 1 TO 2\n       x()\n      NEXT; NEXT\n   RETURN 1",
     "Steps=Block"},
    {"ContinuationLeftOfColumn0GoesOneStepRight", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\n                REDEFINE BUTTON oBtn ;\n        ID 10 OF oDlg ;\n"
     "                    ACTION Go()\nRETURN 1",
     "FUNC F\n   REDEFINE BUTTON oBtn ;\n      ID 10 OF oDlg ;\n       ACTION Go()\n   RETURN 1"},
    {"EndOfFileMarkAfterTheText", 0, 1, 1, 1, 0, 0, 0, 0, 0, "FUNC F\nReturn NIL\x1A",
     "FUNC F\n   Return NIL\x1A"},
    {"EndOfFileMarkAfterBlanksAndAComment", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nx()\n  // end  \x1A", "FUNC F\n   x()\n   // end  \x1A"},
    {"InlineIfIsNoBlock", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nIF(lTxt == NIL, lTxt := .T., .F.)\nIF (a, b, c)\nIF(Len(a) > 0, Foo(\",\", b), "
     "NIL) // c\nIF(a, b, c):Show()\nIF (a) .AND. b\nx()\nENDIF\nIF (f(a, b)) .OR. c\ny()\n"
     "ENDIF\nIF (a > 1)\nz()\nENDIF\nRETURN 1",
     "FUNC F\n   IF(lTxt == NIL, lTxt := .T., .F.)\n   IF (a, b, c)\n   IF(Len(a) > 0, "
     "Foo(\",\", b), NIL) // c\n   IF(a, b, c):Show()\n   IF (a) .AND. b\n      x()\n   "
     "ENDIF\n   IF (f(a, b)) .OR. c\n      y()\n   ENDIF\n   IF (a > 1)\n      z()\n   "
     "ENDIF\n   RETURN 1"},
    {"InlineIfContinuedIsNoBlock", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nIF(lTxt == NIL, ;\n   lTxt := .T., .F.)\nx()\nRETURN 1",
     "FUNC F\n   IF(lTxt == NIL, ;\n      lTxt := .T., .F.)\n   x()\n   RETURN 1"},
    {"CommentsUnderATrailingCommentStayUnderIt", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\n      nTot := 0          // running total\n                         // of the "
     "invoice\n                         && and more\n        // code\nRETURN nTot  // done\n"
     "             // really\nFUNC G\nRETURN 2",
     "FUNC F\n   nTot := 0          // running total\n                      // of the "
     "invoice\n                      && and more\n   // code\n   RETURN nTot  // done\n"
     "                // really\n\nFUNC G\n   RETURN 2"},
    {"DirectivesAtTheCode", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "#include \"x.ch\"\nFUNC F\n#ifdef X\nIF a\n  #else\nIF b\n#endif\nx()\nENDIF\nRETURN 1",
     "#include \"x.ch\"\n\nFUNC F\n   #ifdef X\n   IF a\n   #else\n   IF b\n      #endif\n      "
     "x()\n   ENDIF\n   RETURN 1",
     "Directives=Code"},
    {"DirectivesWhereWritten", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\n  #ifdef X\nIF a\n#else\nIF b\n\t#endif\nx()\nENDIF",
     "FUNC F\n  #ifdef X\n   IF a\n#else\n   IF b\n    #endif\n      x()\n   ENDIF",
     "Directives=Written TabWidth=4"},
    {"TabsOfFourWrittenAndRead", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nIF a\nIF b\nx := 1\t// one\n\t\t// two\nENDIF\nENDIF\nRETURN 1",
     "FUNC F\n   IF a\n\t  IF b\n\t\t x := 1\t// one\n\t\t\t\t// two\n\t  ENDIF\n   ENDIF\n   "
     "RETURN 1",
     "IndentWith=Tabs TabWidth=4"},
    {"TabsReadAtTheirWidth", 0, 1, 1, 1, 0, 0, 0, 1, 0,
     "FUNC F\n\tx := Foo( a, ;\n\t\t\tb )\n\t/* a\n\t\t b */",
     "FUNC F\n    x := Foo( a, ;\n            b )\n    /* a\n         b */", "TabWidth=4"},
    {"OwnTextCommandKeptAsWritten", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "#xcommand XTEXT TO VAR <v> => #pragma __text|<v>+=%s\nFUNC F\nXTEXT TO VAR c\n  #define "
     "RED {255,0,0}\n\n\n     IF x\nendtext\nRETURN c",
     "#xcommand XTEXT TO VAR <v> => #pragma __text|<v>+=%s\n\nFUNC F\n   XTEXT TO VAR c\n  "
     "#define RED {255,0,0}\n\n\n     IF x\n   endtext\n   RETURN c"},
    {"RuleWithoutATextRegion", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "#xcommand SHOUT <x> => QOut(<x>)\nFUNC F\nSHOUT 1\nIF a\nx()\nENDIF\nRETURN 1",
     "#xcommand SHOUT <x> => QOut(<x>)\n\nFUNC F\n   SHOUT 1\n   IF a\n      x()\n   ENDIF\n   "
     "RETURN 1"},
    {"LineNumbersReadKeepEveryLine", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\n\n\n\nx := ProcLine( 0 )\nRETURN x\nFUNC G\n  \nRETURN __LINE__",
     "FUNC F\n\n\n\n   x := ProcLine( 0 )\n   RETURN x\nFUNC G\n\n   RETURN __LINE__"},
    {"LineNumbersNamedInACommentOnly", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\n  // __LINE__\n\n\nRETURN 1\nFUNC G",
     "FUNC F\n   // __LINE__\n\n   RETURN 1\n\nFUNC G"},
    {"LineNumbersReadInAHeader", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "#include \"own.ch\"\nFUNC F\n\n\n\nRETURN HERE",
     "#include \"own.ch\"\nFUNC F\n\n\n\n   RETURN HERE", nullptr, "#define HERE __LINE__\n"},
    // A header named in another case is found, as on Windows.
    {"HeaderNamedInAnotherCase", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "#include \"OWN.CH\"\nFUNC F\n\n\n\nRETURN HERE",
     "#include \"OWN.CH\"\nFUNC F\n\n\n\n   RETURN HERE", nullptr, "#define HERE __LINE__\n"},
    // The words a rule of the program's own may make a string of keep their spelling, to the
    // line's end; calls elsewhere are respelled ("Upper" is a keyword here).
    {"OwnStringifyingTranslation", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "#xtranslate TEST_LINE( <x> ) => T( #<x> )\nFUNC F\nx := test_line( upper( a ) + ;\nupper( "
     "b ) ) + upper( c ) ; upper( d )\nRETURN test( upper( a ) )",
     "#xtranslate TEST_LINE( <x> ) => T( #<x> )\n\nFUNC F\n   x := test_line( upper( a ) + ;\n   "
     "upper( b ) ) + upper( c ) ; upper( d )\n   RETURN test( Upper( a ) )"},
    {"OwnStringifyingCommand", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "#command CHECK <x> => T( <\"x\"> )\nFUNC F\nchec upper( a )\nx := check + upper( a )",
     "#command CHECK <x> => T( <\"x\"> )\n\nFUNC F\n   chec upper( a )\n   x := check + Upper( "
     "a )"},
    {"StringifyingRuleInAHeader", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "#include \"own.ch\"\nFUNC F\n\n\nHBTEST upper( a ) IS 1\nRETURN upper( a )",
     "#include \"own.ch\"\n\nFUNC F\n\n   HBTEST upper( a ) IS 1\n   RETURN Upper( a )", nullptr,
     "/* uses\n__LINE__ */\n#translate HBTEST <x> IS <r> => T( <(x)>, <r> ) // ProcLine( 1 )\n"},
    // The compiler reads on past a lone CR: the line after one stays as written, but its
    // words take their part in the blocks.
    {"LoneCrKeepsTheTextAfterIt", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nIF x\r? \"a\rb\"\r\ny()\nENDIF\nz := 1\r  IF y\nw()\nENDIF",
     "FUNC F\n   IF x\r? \"a\rb\"\r\n      y()\n   ENDIF\n   z := 1\r  IF y\n      w()\n   ENDIF"},
    {"LoneCrKeepsBlanksAndHeadersApart", 0, 1, 1, 1, 0, 0, 0, 0, 0,
     "FUNC F\nx()\r\n\n\n// g\rFUNC G\ny()\rFUNC H\nz()",
     "FUNC F\n   x()\r\n\n// g\rFUNC G\n   y()\rFUNC H\n   z()"},
};

class ModernRulesTest : public ::testing::TestWithParam<ModernRow> {};

TEST_P(ModernRulesTest, Reindents) {
  const ModernRow &Row = GetParam();
  StartPlugin();
  SetSettings(0, 0, 0, 3, 3, -1, -1);
  PluginRules = {StyleModern,
                 Row.CaseIndent,
                 Row.BlankLines,
                 Row.KeepContinuation,
                 Row.KeepColumn0Comments,
                 Row.ReturnAtHeader,
                 Row.DialogBlocks,
                 Row.FlatSequence,
                 Row.RoutineBody,
                 Row.ClassBody,
                 StepsFixed,
                 DirectivesColumn0,
                 IndentSpaces,
                 8,
                 0};
  SetMoreRules(Row.More);
  WordTables.Keywords = {"Upper"};
  std::string Name = "TEST.PRG";
  if (Row.Header) {
    Name = TestFolder("modern-header") + "/TEST.PRG";
    WriteTextFile(Name.substr(0, Name.size() - 8) + "own.ch", Row.Header);
  }
  EXPECT_EQ(RunMenu(Row.Input, {0}, Name), Row.Expected);
  // Formatting the result again changes nothing.
  EXPECT_EQ(RunMenu(Row.Expected, {0}, Name), Row.Expected);
  WordTables = WordTablesRecord();
}

INSTANTIATE_TEST_SUITE_P(Rows, ModernRulesTest, ::testing::ValuesIn(ModernRows),
                         [](const ::testing::TestParamInfo<ModernRow> &Info) {
                           return std::string(Info.param.Name);
                         });

} // namespace
