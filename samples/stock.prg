/*
 * stock.prg: stock levels and reorders
 */
#include "common.ch"
STATIC s_nReorder := 10
FUNCTION CheckStock( cWarehouse, ;
nMinimum, ;
lQuiet )
LOCAL aLow := {}
DEFAULT nMinimum TO s_nReorder
USE stock INDEX stock NEW
IF NetErr()
? [Stock file unavailable: ] + cWarehouse
RETURN aLow
ENDIF
SEEK cWarehouse
DO WHILE stock->wh == cWarehouse .AND. !Eof()
IF stock->qty < nMinimum
AAdd( aLow, { stock->item, stock->qty } )
ENDIF
SKIP
ENDDO
IF !lQuiet .AND. Len( aLow ) > 0
AEval( aLow, {| a | QOut( PadR( a[ 1 ], 20 ), a[ 2 ] ) } )
ENDIF
RETURN aLow

PROCEDURE Reorder( aLow )
LOCAL i, cMail
#pragma __cstream|cMail := %s
Dear supplier,
   please send the items below.
#pragma __endtext
FOR i := 1 TO Len( aLow )
cMail += aLow[ i ][ 1 ] + Chr( 13 ) + Chr( 10 )
NEXT
SendMail( "orders@example.com", cMail )
RETURN
