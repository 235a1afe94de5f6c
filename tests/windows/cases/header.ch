// A header with CR CR LF line ends, mixed ends and a CR inside a line.
#define ONE 1
#ifdef TWO
#define THREE 3
#endif
STATIC FUNCTION Helper( x )
IF x
RETURN 1
ENDIF
   // note
FUNC Other
x := at( "", y ) ; y := 2
RETURN 0