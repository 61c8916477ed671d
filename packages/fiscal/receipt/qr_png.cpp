#include "fiscal/receipt/qr_png.h"

#include <png.h>
#include <qrencode.h>

#include <csetjmp>
#include <fstream>
#include <memory>
#include <vector>

#include "rtl/errors.h"

namespace VyrFiscal::Cupom {

namespace {

constexpr int kPixelsPorModulo = 4;
constexpr int kMargem = 4;  // modules of quiet zone on every side

struct LiberaQr {
  void operator()(QRcode* qr) const { QRcode_free(qr); }
};

void Acrescenta(png_structp png, png_bytep dados, png_size_t tamanho) {
  auto* saida = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
  saida->insert(saida->end(), dados, dados + tamanho);
}

void NadaAEsvaziar(png_structp) {}

// The image as a PNG in memory; false when libpng gave up. One bit per pixel: the image has
// only black and white, and an 8-bit image cost several times as much to compress for nothing.
// libpng reports its errors by longjmp, so nothing here has a destructor to skip.
bool CodificaPng(const unsigned char* linhas, int lado, int bytesPorLinha,
                 std::vector<unsigned char>* saida) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, saida, Acrescenta, NadaAEsvaziar);
  png_set_IHDR(png, info, static_cast<png_uint_32>(lado), static_cast<png_uint_32>(lado), 1,
               PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, 0, PNG_FILTER_NONE);
  png_write_info(png, info);
  for (int y = 0; y < lado; ++y) {
    png_write_row(png, const_cast<png_bytep>(linhas + static_cast<size_t>(y) * bytesPorLinha));
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

void GravaQrPng(const std::string& conteudo, const std::string& arquivo) {
  std::unique_ptr<QRcode, LiberaQr> qr(
      QRcode_encodeData(static_cast<int>(conteudo.size()),
                        reinterpret_cast<const unsigned char*>(conteudo.data()), 0, QR_ECLEVEL_M));
  if (!qr) throw rtl::Exception("Receipt: no QR code can hold the text '" + conteudo + "'");

  const int modulos = qr->width + 2 * kMargem;
  const int lado = modulos * kPixelsPorModulo;
  const int bytesPorLinha = (lado + 7) / 8;
  // Bits set are white; a dark module clears its pixels.
  std::vector<unsigned char> pixels(static_cast<size_t>(bytesPorLinha) * lado, 0xFF);
  for (int y = 0; y < qr->width; ++y) {
    for (int x = 0; x < qr->width; ++x) {
      if ((qr->data[y * qr->width + x] & 1) == 0) continue;  // bit 0 set: a dark module
      for (int dy = 0; dy < kPixelsPorModulo; ++dy) {
        unsigned char* linha =
            &pixels[static_cast<size_t>((y + kMargem) * kPixelsPorModulo + dy) * bytesPorLinha];
        for (int dx = 0; dx < kPixelsPorModulo; ++dx) {
          const int coluna = (x + kMargem) * kPixelsPorModulo + dx;
          linha[coluna / 8] &= static_cast<unsigned char>(~(0x80u >> (coluna % 8)));
        }
      }
    }
  }

  std::vector<unsigned char> png;
  if (!CodificaPng(pixels.data(), lado, bytesPorLinha, &png)) {
    throw rtl::EInOutError("Receipt: cannot make the QR code image " + arquivo);
  }
  std::ofstream saida(arquivo, std::ios::binary | std::ios::trunc);
  saida.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  saida.close();
  if (!saida) throw rtl::EInOutError("Receipt: cannot write the QR code image " + arquivo);
}

}  // namespace VyrFiscal::Cupom
