// report.prg: the monthly report screen and its printout
#include "box.ch"

FUNCTION MonthReport( cPeriod )
LOCAL cTitle := [Monthly report], nLines := 0
   LOCAL aTotals[ 12 ]
NOTE the totals can't hold more than 12 regions
IF Empty( cPeriod )
cPeriod := CMonth( Date() )
ENDIF
@ 1, 1 SAY [Report for month:] GET cPeriod ;
PICTURE "@!" ;
VALID !Empty( cPeriod )
READ
IF LastKey() == 27
RETURN .F.
ENDIF
   SET PRINTER ON
TEXT TO PRINTER
      ==================================
      Monthly report   (don't file it!)
      ==================================
ENDTEXT
   FOR nLines := 1 TO 12
aTotals[ nLines ] := 0
  NEXT nLines
   SELECT sales
   SET FILTER TO sales->month == cPeriod
   GO TOP
   DO WHILE !Eof()
      aTotals[ sales->region ] += sales->amount
      IF sales->amount > 10000 .AND. ;
         sales->paid
         QOut( [Large sale: ] + sales->customer )
ELSEIF sales->amount < 0
QOut( "Refund: " + sales->customer + " /* check it */" )
      ENDIF
SKIP
ENDDO
   SET PRINTER OFF
RETURN .T.

PROCEDURE PrintFooter( nPage )
? Replicate( "-", 40 )
? [Page ] + LTrim( Str( nPage ) ) + ['s end]
   RETURN

#pragma BEGINDUMP
#include "hbapi.h"

HB_FUNC( CHECKSUM )
{
    int i, sum = 0;
    for( i = 0; i < hb_parclen( 1 ); i++ )
       sum += hb_parc( 1 )[ i ];
    hb_retni( sum );
}
#pragma ENDDUMP
