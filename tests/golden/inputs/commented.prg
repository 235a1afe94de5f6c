FUNCTION Main()
//  LOCAL x := 1
//IF x > 0 // positive
  //  ? "a // b"
////ENDIF
//
no marker here
  //RETURN NIL
x // after the block
