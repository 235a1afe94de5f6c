
FUNCTION Main()
  LOCAL x := 1
  IF x > 0
    ? x
  ENDIF
  RETURN NIL
