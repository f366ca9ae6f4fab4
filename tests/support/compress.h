// Bytes compressed as servers and crawlers compress them: zstd frames (with
// or without a dictionary, as zstd WARC files hold them) and Brotli.
#pragma once

#include <brotli/encode.h>
#include <zstd.h>

#include <string>
#include <string_view>

namespace korvane::test_support {

// `bytes` as one zstd frame with a checksum, compressed with `dictionary`
// when one is given.
inline std::string ZstdFrame(std::string_view bytes, std::string_view dictionary = {}) {
  ZSTD_CCtx* context = ZSTD_createCCtx();
  ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
  if (!dictionary.empty()) ZSTD_CCtx_loadDictionary(context, dictionary.data(), dictionary.size());
  std::string out(ZSTD_compressBound(bytes.size()), '\0');
  const size_t size = ZSTD_compress2(context, out.data(), out.size(), bytes.data(), bytes.size());
  ZSTD_freeCCtx(context);
  out.resize(size);
  return out;
}

// The skippable frame (magic 0x184D2A5D) that carries a zstd WARC file's
// dictionary.
inline std::string DictionaryFrame(std::string_view dictionary) {
  std::string frame = "\x5D\x2A\x4D\x18";
  for (int shift = 0; shift < 32; shift += 8) {
    frame += static_cast<char>((dictionary.size() >> shift) & 0xFF);
  }
  return frame.append(dictionary);
}

inline std::string Brotli(std::string_view bytes) {
  size_t size = BrotliEncoderMaxCompressedSize(bytes.size());
  std::string out(size, '\0');
  BrotliEncoderCompress(BROTLI_DEFAULT_QUALITY, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_TEXT,
                        bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()), &size,
                        reinterpret_cast<uint8_t*>(out.data()));
  out.resize(size);
  return out;
}

}  // namespace korvane::test_support
