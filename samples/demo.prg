* demo.prg: a small customer-ledger program, typed in a hurry.
* Run "make demo" to see the re-indenter tidy it.
#include "inkey.ch"
#define LEDGER_WIDTH 60


PROCEDURE Main
LOCAL nChoice := 1, aMenu := { "Customers", ;
"Invoices", "Quit" }
   SET DATE BRITISH
      SET CENTURY ON
CLS
do while nChoice <> 0
@ 2, 10 SAY "Ledger menu" COLOR "W+/B"
nChoice := AChoice( 4, 10, 8, 30, aMenu )
do case
case nChoice == 1
      ShowCustomers()
   case nChoice == 2
ShowInvoices( Date() - 30, ;
Date() )
otherwise
nChoice := 0
  endcase
enddo
RETURN
FUNCTION ShowCustomers()
   LOCAL nCount := 0
USE customer NEW SHARED
      IF NetErr()
Alert( "The customer file is in use; try again later" )
RETURN NIL
ENDIF
   // list the active customers, newest first
   INDEX ON Descend( DToS( customer->joined ) ) TO custdate
   GO TOP
DO WHILE !Eof() .AND. LastKey() != K_ESC
IF customer->active
? PadR( customer->name, 30 ), [balance:], ;
Transform( customer->balance, "@E 999,999.99" )
nCount++
ELSE
   // skip the closed ones
ENDIF
SKIP
ENDDO
? "Customers listed: " + LTrim( Str( nCount ) )
   COUNT TO nCount FOR customer->balance < 0 WHILE !Eof()
   /* a negative balance means
      the customer owes us money */
IF nCount > 0
TEXT
   Some customers owe money.
      Please call them before the end of the month.
ENDTEXT
   ENDIF
CLOSE customer
RETURN NIL



STATIC FUNCTION Total( aInvoices )
LOCAL nSum := 0, i
FOR i := 1 TO Len( aInvoices )
IF aInvoices[ i ][ 2 ] > 0   // only the open ones
nSum += aInvoices[ i ][ 2 ]
ENDIF
NEXT
RETURN nSum
function ShowInvoices( dFrom, dTo )
local aList := {}
   use invoice new
   locate for invoice->date >= dFrom
   while Found()
if invoice->date <= dTo
AAdd( aList, { invoice->number, invoice->amount } )
endif
   continue
enddo
? "Open total:", Total( aList )
close invoice
return nil
