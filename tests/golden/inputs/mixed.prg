FUNCTION Main()
IF ax := 1
IF b
y := 2 
  ENDIF
ENDIF


RETURN NIL