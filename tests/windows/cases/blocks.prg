* Sample program: nested blocks, procedures, comments and continued statements.
#include "inkey.ch"
#define LIMIT 10
public nCount, aList
nCount := 0


aList := {}
if nCount == 0
? "empty"
endif
procedure Main()
local i, x := 1, cName := space(20)
   // a line comment
      /* a block comment
over two lines */
do case
case x == 1
? "one"
otherwise
? "other"
endcase



for i := 1 to LIMIT
if i % 2 == 0
   aadd(aList, i)
elseif i == 3
? "three"
else
loop
endif
next
do while x < 5
x++
enddo
@ 10, 5 say 'Name' get cName ;
picture '@!'
QOut( a, ;
b, ;
c )
if x > 0 .and. ;
x < 9
? x
end
return


function Twice(n)
   return n * 2
FUNCTION Nested(a, b)
local nSum := 0
for each x in a
   while x > 0
      x--
   enddo
next
   if a > b
      nSum := a
   endif   // a > b
   NEXT i
return nSum
static function Hidden()
return nil
