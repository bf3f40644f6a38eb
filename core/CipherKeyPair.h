#pragma once
// AES-128-CBC with PKCS#7 padding for stored book text and the saved sign-in
// token. Key and IV are MD5 digests of run-time strings and are never stored.

#include <QByteArray>
#include <QMutex>
#include <QString>

#include <cstddef>

typedef struct evp_cipher_ctx_st EVP_CIPHER_CTX;

// One call's block-cipher state: the AES-128 key schedule and the chaining
// value, set up from a 16-byte key and a 16-byte IV. Works in place on whole
// 16-byte blocks, without padding; consecutive calls continue one chain.
class Aes128CbcContext
{
public:
    Aes128CbcContext(const unsigned char* key16, const unsigned char* iv16);
    ~Aes128CbcContext();

    Aes128CbcContext(const Aes128CbcContext&) = delete;
    Aes128CbcContext& operator=(const Aes128CbcContext&) = delete;

    // `length` must be a multiple of 16; false when it is not or the library fails.
    bool encrypt(unsigned char* data, std::size_t length);
    bool decrypt(unsigned char* data, std::size_t length);

private:
    bool run(bool encrypting, unsigned char* data, std::size_t length);

    EVP_CIPHER_CTX* m_ctx = nullptr;
    unsigned char m_key[16];
    unsigned char m_iv[16];
};

class CipherKeyPair
{
public:
    static constexpr int KeyLength = 16;

    // Key (or IV) = MD5 of the string's UTF-8 bytes; an empty string empties it.
    void setKeyFromString(const QString& text);
    void setIvFromString(const QString& text);
    void setKey(const QByteArray& key);
    void setIv(const QByteArray& iv);
    QByteArray key() const;
    QByteArray iv() const;

    // Failures never throw: the data is cleared and an empty array returned.
    // The in-place forms reuse the caller's buffer (no second copy of a section).
    QByteArray decryptCbc(QByteArray& data) const;
    QByteArray decryptCopy(const QByteArray& data) const;
    QByteArray encryptCbc(QByteArray& data) const;
    QByteArray encryptCopy(const QByteArray& data) const;

private:
    void snapshot(QByteArray& key, QByteArray& iv) const;

    // The pair is set on the GUI thread and read by page-building jobs.
    mutable QMutex m_mutex;
    QByteArray m_key;
    QByteArray m_iv;
};
