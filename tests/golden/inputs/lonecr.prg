* A file whose lines end at lone CRs here and there
FUNCTION Main()
LOCAL x := 1
   IF x > 0? "ab"
? "done"
ENDIF
x := 2   IF x > 1
? x
   ENDIF


DO WHILE x < 3
x++
ENDDOx := 0
  
? "s  t"
RETURN NIL
y := 2FUNCTION Second()
local n
// a note   on two lines
for n := 1 to 3
? n
next

return nil
