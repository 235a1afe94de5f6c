// An application grown under several hands: each routine its own step, tabs and spaces.
#include "fivewin.ch"

FUNCTION Main()
	LOCAL nOp := 1, lTxt
	IF(lTxt == NIL, lTxt := .T., .F.)
	DO CASE
	CASE nOp == 1
		? "one"          // the first choice
		                 // and its note
	OTHERWISE
		? "other"
	ENDCASE
  #ifdef COM_REDE
	IF !UseArq("CLI")
		RETURN NIL
	ENDIF
  #endif
	RETURN NIL

  STATIC PROCEDURE Second( oDlg )
     LOCAL i
     FOR i := 1 TO 3
        DO CASE
           CASE i == 1
              ? i
        ENDCASE
     NEXT
                REDEFINE BUTTON ID 101 OF oDlg ;
        ACTION oDlg:End() ;
        CANCEL
     RETURN

PROCEDURE Third
 IF .T.
  ? "one column"
 ENDIF
Return NIL