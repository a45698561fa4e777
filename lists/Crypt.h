// The sealing of list files: the WinZip AES scheme without Zip framing.
// PBKDF2-HMAC-SHA1 (1000 iterations) derives the AES key, the HMAC key and
// a two-byte password verifier from the password and a random salt; the
// body is AES in counter mode with a little-endian counter, followed by the
// first ten bytes of HMAC-SHA1 over the cipher text.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

typedef struct evp_cipher_ctx_st EVP_CIPHER_CTX;
typedef struct evp_mac_ctx_st EVP_MAC_CTX;

namespace qor {

constexpr int kPbkdf2Iterations = 1000;
constexpr int kVerifierSize = 2;
constexpr int kAuthCodeSize = 10;

// Result of opening a sealed form, for callers that tell the user why.
enum class TSealResult { Ok, TooShort, WrongPassword, NotAuthentic, ReadError };

class TCrypt {
 public:
  TCrypt(std::string password, int bufferSize);
  virtual ~TCrypt();
  TCrypt(const TCrypt&) = delete;
  TCrypt& operator=(const TCrypt&) = delete;

  // 1, 2 or 3 for 128-, 192- or 256-bit AES, from the password length.
  int Mode() const { return Mode_; }
  static int ModeForPassword(size_t passwordLength);
  static int SaltSize(int mode) { return 4 + 4 * mode; }
  static int KeySize(int mode) { return 8 + 8 * mode; }

 protected:
  struct TContext {
    uint8_t Counter[16] = {};
    uint8_t KeyStream[16] = {};
    EVP_CIPHER_CTX* Aes = nullptr;
    EVP_MAC_CTX* Hmac = nullptr;
    int Position = 16;
    int PasswordLength = 0;
    int Mode = 0;
  };

  // Derives the keys for a salt and returns the verifier; false when the
  // primitives fail.
  bool Start(const uint8_t* salt, uint8_t verifier[kVerifierSize]);
  // XORs data with the key stream in place.
  void Apply(uint8_t* data, size_t length);
  bool Authenticate(const uint8_t* data, size_t length);
  bool FinishCode(uint8_t code[kAuthCodeSize]);
  void Release();

  int Mode_;
  TContext Context;
  std::string Password;
  int BufferSize;
  std::vector<uint8_t> Buffer;
};

class TEncryption : public TCrypt {
 public:
  TEncryption(std::string password, int bufferSize = 1024);
  ~TEncryption() override;

  // Writes salt, verifier, cipher text and authentication code; true when
  // the trailer was written.
  bool Encrypt(std::istream& source, std::ostream& destination);
  // Reads a sealed form of the given total size; the plain text goes to
  // destination (when given) chunk by chunk, before the code is checked.
  // True only when verifier and authentication code both match.
  bool Decrypt(std::istream& source, std::ostream* destination, int64_t total);
  TSealResult LastResult() const { return LastResult_; }

 private:
  TSealResult LastResult_ = TSealResult::Ok;
};

}  // namespace qor
