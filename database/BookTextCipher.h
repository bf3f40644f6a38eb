#pragma once
// The key pair that packed book parts are enciphered with: the application's
// CipherKeyPair, set when the account runtime opens and cleared when it
// closes; tests set their own. Until one is set, enciphering and deciphering
// fail as with a pair whose halves are not set.

class CipherKeyPair;

// `pair` must outlive its use; nullptr clears it.
void setBookTextCipher(const CipherKeyPair* pair);
const CipherKeyPair& bookTextCipher();
