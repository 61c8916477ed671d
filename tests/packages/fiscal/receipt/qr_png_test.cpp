// GravaQrPng: the image read back holds exactly the code's modules, 4 pixels each, with the
// 4-module quiet zone.

#include <gtest/gtest.h>
#include <png.h>
#include <qrencode.h>

#include <string>
#include <vector>

#include "fiscal/receipt/qr_png.h"
#include "support/temp_dir.h"

namespace {

TEST(QrPngTest, ImageReadBackHoldsTheCodesModules) {
  vyrtest::TempDir dir("vyr_qr_png");
  const std::string texto =
      "https://nfce.sefaz.example/qrcode?p=35261212345678000190650010000001231|2|2";
  const std::string arquivo = dir.Path() + "/qr.png";
  VyrFiscal::Cupom::GravaQrPng(texto, arquivo);

  png_image imagem{};
  imagem.version = PNG_IMAGE_VERSION;
  ASSERT_NE(0, png_image_begin_read_from_file(&imagem, arquivo.c_str())) << imagem.message;
  imagem.format = PNG_FORMAT_GRAY;
  std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(imagem));
  ASSERT_NE(0, png_image_finish_read(&imagem, nullptr, pixels.data(), 0, nullptr));

  QRcode* qr =
      QRcode_encodeData(static_cast<int>(texto.size()),
                        reinterpret_cast<const unsigned char*>(texto.data()), 0, QR_ECLEVEL_M);
  const int lado = (qr->width + 8) * 4;
  int diferentes = 0;
  for (int y = 0; y < static_cast<int>(imagem.height); ++y) {
    for (int x = 0; x < static_cast<int>(imagem.width); ++x) {
      const int my = y / 4 - 4, mx = x / 4 - 4;
      const bool escuro = my >= 0 && mx >= 0 && my < qr->width && mx < qr->width &&
                          (qr->data[my * qr->width + mx] & 1) != 0;
      if (pixels[static_cast<size_t>(y) * imagem.width + x] != (escuro ? 0 : 255)) ++diferentes;
    }
  }
  QRcode_free(qr);
  EXPECT_EQ("side " + std::to_string(lado) + "x" + std::to_string(lado) + ", 0 pixels differ",
            "side " + std::to_string(imagem.width) + "x" + std::to_string(imagem.height) + ", " +
                std::to_string(diferentes) + " pixels differ");
}

}  // namespace
