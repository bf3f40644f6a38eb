#pragma once
// The text helpers' character-folding and HTML tag tables, built once per
// process by whichever comes first: the account runtime's opening or the
// second thread's start.

void initTextTablesOnce();
