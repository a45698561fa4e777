#include "lists/Crypt.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#include <algorithm>
#include <cstring>

namespace qor {

int TCrypt::ModeForPassword(size_t passwordLength) {
  if (passwordLength < 32) return 1;
  if (passwordLength < 48) return 2;
  return 3;
}

TCrypt::TCrypt(std::string password, int bufferSize)
    : Mode_(ModeForPassword(password.size())),
      Password(std::move(password)),
      BufferSize(bufferSize > 0 ? bufferSize : 1024),
      Buffer(static_cast<size_t>(BufferSize)) {
  Context.PasswordLength = static_cast<int>(Password.size());
  Context.Mode = Mode_;
}

TCrypt::~TCrypt() {
  Release();
  OPENSSL_cleanse(Password.data(), Password.size());
}

void TCrypt::Release() {
  if (Context.Aes) EVP_CIPHER_CTX_free(Context.Aes);
  if (Context.Hmac) EVP_MAC_CTX_free(Context.Hmac);
  Context.Aes = nullptr;
  Context.Hmac = nullptr;
  OPENSSL_cleanse(Context.KeyStream, sizeof Context.KeyStream);
}

bool TCrypt::Start(const uint8_t* salt, uint8_t verifier[kVerifierSize]) {
  Release();
  const int keySize = KeySize(Mode_);
  std::vector<uint8_t> material(static_cast<size_t>(2 * keySize + kVerifierSize));
  bool ok = PKCS5_PBKDF2_HMAC_SHA1(Password.data(), static_cast<int>(Password.size()), salt, SaltSize(Mode_),
                                   kPbkdf2Iterations, static_cast<int>(material.size()), material.data()) == 1;
  const EVP_CIPHER* cipher = Mode_ == 1 ? EVP_aes_128_ecb() : Mode_ == 2 ? EVP_aes_192_ecb() : EVP_aes_256_ecb();
  if (ok) {
    Context.Aes = EVP_CIPHER_CTX_new();
    ok = Context.Aes && EVP_EncryptInit_ex(Context.Aes, cipher, nullptr, material.data(), nullptr) == 1 &&
         EVP_CIPHER_CTX_set_padding(Context.Aes, 0) == 1;
  }
  if (ok) {
    EVP_MAC* mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    Context.Hmac = mac ? EVP_MAC_CTX_new(mac) : nullptr;
    EVP_MAC_free(mac);
    char digest[] = "SHA1";
    OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0), OSSL_PARAM_construct_end()};
    ok = Context.Hmac && EVP_MAC_init(Context.Hmac, material.data() + keySize, static_cast<size_t>(keySize), params) == 1;
  }
  if (ok) std::memcpy(verifier, material.data() + 2 * keySize, kVerifierSize);
  OPENSSL_cleanse(material.data(), material.size());
  std::memset(Context.Counter, 0, sizeof Context.Counter);
  Context.Position = 16;
  if (!ok) Release();
  return ok;
}

void TCrypt::Apply(uint8_t* data, size_t length) {
  size_t done = 0;
  // Use up a partly used key-stream block first.
  while (done < length && Context.Position < 16) data[done++] ^= Context.KeyStream[Context.Position++];
  // Whole blocks: build a run of counter blocks and encipher them at once.
  constexpr size_t kRun = 64;
  uint8_t counters[kRun * 16];
  uint8_t stream[kRun * 16];
  while (length - done >= 16) {
    size_t blocks = std::min(kRun, (length - done) / 16);
    for (size_t b = 0; b < blocks; ++b) {
      for (int k = 0; k < 8 && ++Context.Counter[k] == 0; ++k) {
      }
      std::memcpy(counters + b * 16, Context.Counter, 16);
    }
    int outLength = 0;
    EVP_EncryptUpdate(Context.Aes, stream, &outLength, counters, static_cast<int>(blocks * 16));
    for (size_t k = 0; k < blocks * 16; ++k) data[done + k] ^= stream[k];
    done += blocks * 16;
  }
  // A tail shorter than a block starts a fresh key-stream block.
  while (done < length) {
    if (Context.Position == 16) {
      for (int k = 0; k < 8 && ++Context.Counter[k] == 0; ++k) {
      }
      int outLength = 0;
      EVP_EncryptUpdate(Context.Aes, Context.KeyStream, &outLength, Context.Counter, 16);
      Context.Position = 0;
    }
    data[done++] ^= Context.KeyStream[Context.Position++];
  }
  OPENSSL_cleanse(stream, sizeof stream);
}

bool TCrypt::Authenticate(const uint8_t* data, size_t length) {
  return EVP_MAC_update(Context.Hmac, data, length) == 1;
}

bool TCrypt::FinishCode(uint8_t code[kAuthCodeSize]) {
  uint8_t full[EVP_MAX_MD_SIZE];
  size_t length = 0;
  bool ok = EVP_MAC_final(Context.Hmac, full, &length, sizeof full) == 1 && length >= kAuthCodeSize;
  if (ok) std::memcpy(code, full, kAuthCodeSize);
  return ok;
}

TEncryption::TEncryption(std::string password, int bufferSize) : TCrypt(std::move(password), bufferSize) {}

TEncryption::~TEncryption() = default;

namespace {

size_t ReadSome(std::istream& source, uint8_t* buffer, size_t wanted) {
  source.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(wanted));
  return static_cast<size_t>(source.gcount());
}

}  // namespace

bool TEncryption::Encrypt(std::istream& source, std::ostream& destination) {
  uint8_t salt[16];
  uint8_t verifier[kVerifierSize];
  const int saltSize = SaltSize(Mode_);
  if (RAND_bytes(salt, saltSize) != 1 || !Start(salt, verifier)) return false;
  destination.write(reinterpret_cast<const char*>(salt), saltSize);
  destination.write(reinterpret_cast<const char*>(verifier), kVerifierSize);
  for (;;) {
    size_t got = ReadSome(source, Buffer.data(), Buffer.size());
    Apply(Buffer.data(), got);
    if (!Authenticate(Buffer.data(), got)) return false;
    destination.write(reinterpret_cast<const char*>(Buffer.data()), static_cast<std::streamsize>(got));
    if (got < Buffer.size()) break;
  }
  uint8_t code[kAuthCodeSize];
  if (!FinishCode(code)) return false;
  destination.write(reinterpret_cast<const char*>(code), kAuthCodeSize);
  Release();
  return static_cast<bool>(destination);
}

bool TEncryption::Decrypt(std::istream& source, std::ostream* destination, int64_t total) {
  const int saltSize = SaltSize(Mode_);
  if (total < saltSize + kVerifierSize + kAuthCodeSize) {
    LastResult_ = TSealResult::TooShort;
    return false;
  }
  uint8_t salt[16];
  uint8_t stored[kVerifierSize];
  uint8_t verifier[kVerifierSize];
  if (ReadSome(source, salt, static_cast<size_t>(saltSize)) != static_cast<size_t>(saltSize) ||
      ReadSome(source, stored, kVerifierSize) != kVerifierSize) {
    LastResult_ = TSealResult::ReadError;
    return false;
  }
  if (!Start(salt, verifier)) {
    LastResult_ = TSealResult::ReadError;
    return false;
  }
  if (std::memcmp(stored, verifier, kVerifierSize) != 0) {
    Release();
    LastResult_ = TSealResult::WrongPassword;
    return false;
  }
  int64_t remaining = total - saltSize - kVerifierSize - kAuthCodeSize;
  while (remaining > 0) {
    size_t wanted = static_cast<size_t>(std::min<int64_t>(remaining, static_cast<int64_t>(Buffer.size())));
    size_t got = ReadSome(source, Buffer.data(), wanted);
    if (got != wanted) {
      Release();
      LastResult_ = TSealResult::ReadError;
      return false;
    }
    Authenticate(Buffer.data(), got);
    Apply(Buffer.data(), got);
    if (destination) destination->write(reinterpret_cast<const char*>(Buffer.data()), static_cast<std::streamsize>(got));
    remaining -= static_cast<int64_t>(got);
  }
  uint8_t code[kAuthCodeSize];
  uint8_t storedCode[kAuthCodeSize];
  bool ok = FinishCode(code) && ReadSome(source, storedCode, kAuthCodeSize) == kAuthCodeSize &&
            CRYPTO_memcmp(code, storedCode, kAuthCodeSize) == 0;
  Release();
  LastResult_ = ok ? TSealResult::Ok : TSealResult::NotAuthentic;
  return ok;
}

}  // namespace qor
