// A header with lone CR line ends and mixed ends.#define ONE 1#ifdef TWO#define THREE 3#endifSTATIC FUNCTION Helper( x )IF x
RETURN 1
ENDIF
FUNC OtherRETURN 0