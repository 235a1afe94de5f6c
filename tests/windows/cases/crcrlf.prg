/*
 * Generated header
 */
#include "inkey.ch"
PROCEDURE Main
local x := 1
if x > 0
? "yes"
endif
for x := 1 to 3
? x
next
RETURN
