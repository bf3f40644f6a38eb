#include "core/CipherKeyPair.h"

#include <QCryptographicHash>
#include <QMutexLocker>
#include <QtGlobal>

#include <openssl/evp.h>

#include <climits>
#include <cstring>

Aes128CbcContext::Aes128CbcContext(const unsigned char* key16, const unsigned char* iv16)
    : m_ctx(EVP_CIPHER_CTX_new())
{
    std::memcpy(m_key, key16, sizeof m_key);
    std::memcpy(m_iv, iv16, sizeof m_iv);
}

Aes128CbcContext::~Aes128CbcContext()
{
    EVP_CIPHER_CTX_free(m_ctx);
    OPENSSL_cleanse(m_key, sizeof m_key);
}

bool Aes128CbcContext::encrypt(unsigned char* data, std::size_t length)
{
    return run(true, data, length);
}

bool Aes128CbcContext::decrypt(unsigned char* data, std::size_t length)
{
    return run(false, data, length);
}

bool Aes128CbcContext::run(bool encrypting, unsigned char* data, std::size_t length)
{
    if (!m_ctx || length % 16 != 0 || length > static_cast<std::size_t>(INT_MAX))
        return false;
    if (EVP_CipherInit_ex(m_ctx, EVP_aes_128_cbc(), nullptr, m_key, m_iv, encrypting ? 1 : 0) != 1)
        return false;
    // Padding is ours (the caller's); EVP only chains whole blocks, in place.
    EVP_CIPHER_CTX_set_padding(m_ctx, 0);
    // The next call continues the chain from this call's last cipher block.
    unsigned char lastCipherBlock[16];
    if (length > 0 && !encrypting)
        std::memcpy(lastCipherBlock, data + length - 16, 16);
    int written = 0;
    if (length > 0
        && EVP_CipherUpdate(m_ctx, data, &written, data, static_cast<int>(length)) != 1)
        return false;
    int tail = 0;
    if (EVP_CipherFinal_ex(m_ctx, data + written, &tail) != 1)
        return false;
    if (static_cast<std::size_t>(written + tail) != length)
        return false;
    if (length > 0)
        std::memcpy(m_iv, encrypting ? data + length - 16 : lastCipherBlock, 16);
    return true;
}

namespace {

QByteArray md5(const QString& text)
{
    if (text.isEmpty())
        return {};
    return QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5);
}

QByteArray fail(QByteArray& data)
{
    data.clear();
    return {};
}

// Logs the code of the first half that is not a 16-byte value.
bool halvesReady(const QByteArray& key, const QByteArray& iv, const char* ivCode, const char* keyCode)
{
    const char* code = iv.size() != CipherKeyPair::KeyLength    ? ivCode
                       : key.size() != CipherKeyPair::KeyLength ? keyCode
                                                                : nullptr;
    if (code)
        qWarning("%s", code);
    return !code;
}

} // namespace

void CipherKeyPair::setKeyFromString(const QString& text)
{
    setKey(md5(text));
}

void CipherKeyPair::setIvFromString(const QString& text)
{
    setIv(md5(text));
}

void CipherKeyPair::setKey(const QByteArray& key)
{
    QMutexLocker lock(&m_mutex);
    m_key = key;
}

void CipherKeyPair::setIv(const QByteArray& iv)
{
    QMutexLocker lock(&m_mutex);
    m_iv = iv;
}

QByteArray CipherKeyPair::key() const
{
    QMutexLocker lock(&m_mutex);
    return m_key;
}

QByteArray CipherKeyPair::iv() const
{
    QMutexLocker lock(&m_mutex);
    return m_iv;
}

void CipherKeyPair::snapshot(QByteArray& key, QByteArray& iv) const
{
    QMutexLocker lock(&m_mutex);
    key = m_key;
    iv = m_iv;
}

QByteArray CipherKeyPair::encryptCbc(QByteArray& data) const
{
    const int pad = KeyLength - data.size() % KeyLength;
    data.append(pad, static_cast<char>(pad));

    QByteArray key, iv;
    snapshot(key, iv);
    if (!halvesReady(key, iv, "ERROR 0x85974113", "ERROR 0x85974114"))
        return fail(data);
    Aes128CbcContext ctx(reinterpret_cast<const unsigned char*>(key.constData()),
                         reinterpret_cast<const unsigned char*>(iv.constData()));
    if (!ctx.encrypt(reinterpret_cast<unsigned char*>(data.data()), static_cast<std::size_t>(data.size()))) {
        qWarning("CipherKeyPair::encryptCbc: cipher failed");
        return fail(data);
    }
    return data;
}

QByteArray CipherKeyPair::encryptCopy(const QByteArray& data) const
{
    QByteArray copy = data;
    return encryptCbc(copy);
}

QByteArray CipherKeyPair::decryptCbc(QByteArray& data) const
{
    QByteArray key, iv;
    snapshot(key, iv);
    if (!halvesReady(key, iv, "ERROR 0x85974123", "ERROR 0x85974124"))
        return fail(data);
    if (data.size() % KeyLength != 0) {
        qWarning("ERROR 0x85974125");
        return fail(data);
    }
    if (data.isEmpty())
        return data;

    Aes128CbcContext ctx(reinterpret_cast<const unsigned char*>(key.constData()),
                         reinterpret_cast<const unsigned char*>(iv.constData()));
    if (!ctx.decrypt(reinterpret_cast<unsigned char*>(data.data()), static_cast<std::size_t>(data.size()))) {
        qWarning("CipherKeyPair::decryptCbc: cipher failed");
        return fail(data);
    }

    // A wrong key or IV usually shows here; it is not reported separately.
    const int size = data.size();
    const int pad = static_cast<unsigned char>(data.at(size - 1));
    if (pad < 1 || pad > KeyLength || pad > size)
        return fail(data);
    for (int i = size - pad; i < size; ++i) {
        if (static_cast<unsigned char>(data.at(i)) != pad)
            return fail(data);
    }
    data.chop(pad);
    return data;
}

QByteArray CipherKeyPair::decryptCopy(const QByteArray& data) const
{
    QByteArray copy = data;
    return decryptCbc(copy);
}
