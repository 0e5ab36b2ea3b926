#include "tools/publisher/keygen.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <utility>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

namespace karvex::publisher {

namespace {

// Frees an OpenSSL object with its own function on every path out.
template <auto Free>
struct Freer {
    template <typename T>
    void operator()(T* object) const
    {
        Free(object);
    }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY_free>>;
using ContextPtr = std::unique_ptr<EVP_PKEY_CTX, Freer<EVP_PKEY_CTX_free>>;
using BioPtr = std::unique_ptr<BIO, Freer<BIO_free>>;

// A file made for this run only (never one that was there): closed on every
// path out, and removed again unless kept.
class CNewFile {
public:
    CNewFile(std::string path, mode_t mode) : m_path(std::move(path))
    {
        m_fd = open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        m_exists = m_fd < 0 && errno == EEXIST;
        m_made = m_fd >= 0;
        // The umask may only take permissions away; the mode is set exactly.
        if (m_made && fchmod(m_fd, mode) != 0)
            Close();
    }
    CNewFile(const CNewFile&) = delete;
    CNewFile& operator=(const CNewFile&) = delete;
    ~CNewFile()
    {
        Close();
        if (m_made && !m_kept)
            unlink(m_path.c_str());
    }

    bool Opened(std::string* error) const
    {
        if (m_fd < 0)
            *error = m_path + (m_exists ? ": already exists; keygen never overwrites a key" : ": cannot be created");
        return m_fd >= 0;
    }

    // Writes the whole text through to the disk and closes the file.
    bool Write(BIO* pem, std::string* error)
    {
        char* data = nullptr;
        const long size = BIO_get_mem_data(pem, &data);
        long done = 0;
        while (done < size) {
            const ssize_t wrote = write(m_fd, data + done, static_cast<std::size_t>(size - done));
            if (wrote <= 0)
                break;
            done += wrote;
        }
        if (size <= 0 || done != size || fsync(m_fd) != 0 || !Close()) {
            *error = m_path + ": cannot be written";
            return false;
        }
        return true;
    }

    void Keep() { m_kept = true; }

private:
    bool Close()
    {
        const bool closed = m_fd < 0 || close(m_fd) == 0;
        m_fd = -1;
        return closed;
    }

    std::string m_path;
    int m_fd = -1;
    bool m_exists = false;
    bool m_made = false;
    bool m_kept = false;
};

KeyPtr GenerateRsaKey(int bits)
{
    ContextPtr context(EVP_PKEY_CTX_new_id(EVP_PKEY_RSA, nullptr));
    EVP_PKEY* key = nullptr;
    if (!context || EVP_PKEY_keygen_init(context.get()) <= 0 ||
        EVP_PKEY_CTX_set_rsa_keygen_bits(context.get(), bits) <= 0 || EVP_PKEY_keygen(context.get(), &key) <= 0)
        return nullptr;
    return KeyPtr(key);
}

}  // namespace

bool MakeKeyPair(const std::string& privatePath, const std::string& publicPath, int bits, std::string* error)
{
    if (privatePath == publicPath) {
        *error = publicPath + ": the private and the public key need two files";
        return false;
    }
    // Both files are claimed before the (slow) key is made.
    CNewFile privateFile(privatePath, 0600);
    CNewFile publicFile(publicPath, 0644);
    if (!privateFile.Opened(error) || !publicFile.Opened(error))
        return false;
    KeyPtr key = GenerateRsaKey(bits);
    BioPtr privatePem(BIO_new(BIO_s_mem()));
    BioPtr publicPem(BIO_new(BIO_s_mem()));
    // Unencrypted PKCS#8: the key lives on an offline machine, and the
    // publisher reads it without asking for a pass phrase.
    if (!key || !privatePem || !publicPem ||
        PEM_write_bio_PKCS8PrivateKey(privatePem.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1 ||
        PEM_write_bio_PUBKEY(publicPem.get(), key.get()) != 1) {
        *error = privatePath + ": no " + std::to_string(bits) + "-bit RSA key could be made";
        return false;
    }
    if (!privateFile.Write(privatePem.get(), error) || !publicFile.Write(publicPem.get(), error))
        return false;
    privateFile.Keep();
    publicFile.Keep();
    return true;
}

}  // namespace karvex::publisher
