// Building FITS files byte by byte for the loading and saving tests.
#include "tests/image/fits_files.h"

#include <sstream>

#include "core/settings.h"
#include "image/camera.h"
#include "image/file_names.h"
#include "image/fits_load.h"
#include "textio/console.h"
#include "textio/fixed_text.h"

namespace fitstest {

std::string card(const std::string& text) { return textio::fixed(text, 80); }

std::string valueCard(const std::string& keyword, const std::string& value) {
  // Text values begin in column 11; other values end in column 30.
  std::string v = value[0] == '\'' || value.size() >= 20 ? value : std::string(20 - value.size(), ' ') + value;
  return card(textio::fixed(keyword, 8) + "= " + v);
}

std::string freeCard(const std::string& keyword, const std::string& value) {
  return card(textio::fixed(keyword, 8) + "= " + value);
}

std::vector<std::string> basicCards(int nx, int ny, const std::string& bzero) {
  std::vector<std::string> cards{valueCard("SIMPLE", "T"), valueCard("BITPIX", "16"), valueCard("NAXIS", "2"),
                                 valueCard("NAXIS1", std::to_string(nx)), valueCard("NAXIS2", std::to_string(ny))};
  if (!bzero.empty()) cards.push_back(valueCard("BZERO", bzero));
  return cards;
}

std::string header(std::vector<std::string> cards) {
  cards.push_back(card("END"));
  while (cards.size() % 36 != 0) cards.push_back(card(""));
  std::string out;
  for (const auto& c : cards) out += c;
  return out;
}

std::string data(int nx, int ny, const std::function<uint16_t(int i, int j)>& stored, bool pad) {
  std::string out;
  for (int j = 1; j <= ny; ++j) {
    for (int i = 1; i <= nx; ++i) {
      uint16_t v = stored(i, j);
      out += static_cast<char>(v >> 8);
      out += static_cast<char>(v & 0xFF);
    }
  }
  if (pad) out.resize((out.size() + 2879) / 2880 * 2880, '\0');
  return out;
}

std::unique_ptr<image::Workspaces> loadCorrected(const std::filesystem::path& dir, const std::string& name,
                                                 std::string& messages) {
  std::istringstream in;
  std::ostringstream out;
  textio::Console console(in, out);
  core::Settings settings;
  settings.workingPath = textio::fixed(dir.string() + "/", 80);
  image::setTypeCode(settings, image::kCurrentType, "flt");
  image::Camera camera;
  camera.icv = 4;
  image::decode(console, camera, image::DecodeListing::Quiet);
  auto ws = std::make_unique<image::Workspaces>();
  const bool loaded = image::loadf(console, settings, camera, *ws, textio::fixed(name, 20),
                                   image::Combine::Replace, 1.0f, 0, 0, 1);
  messages = out.str();
  if (!loaded) ws.reset();
  return ws;
}

}  // namespace fitstest
