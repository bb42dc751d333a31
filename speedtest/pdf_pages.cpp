#include "speedtest/pdf_pages.h"

#include <algorithm>

#include "kernel/directories.h"

namespace {

// UTF-8 as the fonts' single-byte encoding (CP1252): Latin-1 as it is, the dash, and '?'
// for anything else.
std::string Cp1252(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = text[i];
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if ((c & 0xE0) == 0xC0 && i + 1 < text.size()) {
      const unsigned code = ((c & 0x1F) << 6) | (text[++i] & 0x3F);
      out += code < 0x100 ? static_cast<char>(code) : '?';
    } else if ((c & 0xF0) == 0xE0 && i + 2 < text.size()) {
      const unsigned code = ((c & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F);
      i += 2;
      out += code == 0x2013 ? '\x96' : '?';
    } else {
      out += '?';
    }
  }
  return out;
}

void OnError(HPDF_STATUS error, HPDF_STATUS detail, void* data) {
  auto* failure = static_cast<std::string*>(data);
  if (failure->empty()) {
    *failure = "libharu error " + std::to_string(error) + " (" + std::to_string(detail) + ")";
  }
}

}  // namespace

CPdfPages::CPdfPages(std::string* failure) : m_failure(failure) {
  m_pdf = HPDF_New(OnError, failure);
  if (m_pdf == nullptr) return;
  m_font = LoadFont(false);
  m_bold = LoadFont(true);
  NewPage();
}

CPdfPages::~CPdfPages() {
  if (m_pdf != nullptr) HPDF_Free(m_pdf);
}

void CPdfPages::Text(const std::string& text, float size, bool bold) {
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    Wrapped(text.substr(start, end - start), size, bold);
    start = end + 1;
  }
}

void CPdfPages::Row(const std::vector<std::string>& cells, const std::vector<float>& widths,
                    bool bold) {
  Room(12.0f);
  m_y -= 12.0f;
  float x = kMargin;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    Write(x, m_y, cells[i], 7.5f, bold);
    x += widths[i];
  }
}

void CPdfPages::Room(float height) {
  if (m_y - height < kMargin) NewPage();
}

void CPdfPages::Write(float x, float y, const std::string& text, float size, bool bold) {
  if (m_page == nullptr) return;
  HPDF_Page_BeginText(m_page);
  HPDF_Page_SetFontAndSize(m_page, bold ? m_bold : m_font, size);
  HPDF_Page_TextOut(m_page, x, y, Cp1252(text).c_str());
  HPDF_Page_EndText(m_page);
}

bool CPdfPages::Save(const std::string& path) {
  return m_pdf != nullptr && m_failure->empty() &&
         HPDF_SaveToFile(m_pdf, path.c_str()) == HPDF_OK && m_failure->empty();
}

void CPdfPages::Wrapped(const std::string& line, float size, bool bold) {
  const std::size_t indent = line.find_first_not_of(' ');
  std::string rest = line;
  while (true) {
    std::size_t cut = rest.size();
    while (cut != std::string::npos && cut > indent &&
           Width(rest.substr(0, cut), size, bold) > kPageWidth - 2 * kMargin) {
      cut = rest.rfind(' ', cut - 1);
    }
    if (cut == std::string::npos || cut <= indent) cut = rest.size();
    Room(size * 1.5f);
    m_y -= size * 1.5f;
    Write(kMargin, m_y, rest.substr(0, cut), size, bold);
    if (cut >= rest.size()) return;
    rest = std::string(indent == std::string::npos ? 0 : indent + 2, ' ') + rest.substr(cut + 1);
  }
}

float CPdfPages::Width(const std::string& text, float size, bool bold) {
  if (m_page == nullptr) return 0.0f;
  HPDF_Page_SetFontAndSize(m_page, bold ? m_bold : m_font, size);
  return HPDF_Page_TextWidth(m_page, Cp1252(text).c_str());
}

HPDF_Font CPdfPages::LoadFont(bool bold) {
  const std::string file = DocumentFontPath(bold);
  const char* name =
      file.empty() ? nullptr : HPDF_LoadTTFontFromFile(m_pdf, file.c_str(), HPDF_TRUE);
  if (name != nullptr) return HPDF_GetFont(m_pdf, name, "CP1252");
  m_failure->clear();  // a font that would not load gives way to PDF's own
  return HPDF_GetFont(m_pdf, bold ? "Helvetica-Bold" : "Helvetica", "WinAnsiEncoding");
}

void CPdfPages::NewPage() {
  m_page = HPDF_AddPage(m_pdf);
  HPDF_Page_SetSize(m_page, HPDF_PAGE_SIZE_A4, HPDF_PAGE_PORTRAIT);
  m_y = kPageHeight - kMargin;
}
