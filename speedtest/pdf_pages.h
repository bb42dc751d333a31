// Pages of a PDF through libharu, filled from the top: lines of text wrapped at the margin,
// table rows, and room for drawing; A4, in a font of the system's with the Danish letters
// embedded (PDF's own Helvetica where none is found: the letters still survive, in its
// WinAnsi encoding). Text is UTF-8.
#pragma once

#include <hpdf.h>

#include <string>
#include <vector>

class CPdfPages {
 public:
  static constexpr float kMargin = 50.0f;
  static constexpr float kPageWidth = 595.0f;  // A4 in points
  static constexpr float kPageHeight = 842.0f;

  // A document of one page; a libharu error goes to `failure`.
  explicit CPdfPages(std::string* failure);
  ~CPdfPages();
  CPdfPages(const CPdfPages&) = delete;
  CPdfPages& operator=(const CPdfPages&) = delete;

  // Lines of `text`, each wrapped at the right margin, its continuations indented as it is.
  void Text(const std::string& text, float size = 10.0f, bool bold = false);
  void Gap(float points) { m_y -= points; }
  // A table row: each cell at its column, `widths` apart.
  void Row(const std::vector<std::string>& cells, const std::vector<float>& widths, bool bold);
  // Room for `height` points below; else a new page.
  void Room(float height);
  float Top() const { return m_y; }
  HPDF_Page Page() const { return m_page; }
  void Write(float x, float y, const std::string& text, float size, bool bold);
  // Saves the document; false where it or any step before failed.
  bool Save(const std::string& path);

 private:
  void Wrapped(const std::string& line, float size, bool bold);
  float Width(const std::string& text, float size, bool bold);
  HPDF_Font LoadFont(bool bold);
  void NewPage();

  std::string* m_failure;
  HPDF_Doc m_pdf = nullptr;
  HPDF_Page m_page = nullptr;
  HPDF_Font m_font = nullptr;
  HPDF_Font m_bold = nullptr;
  float m_y = 0.0f;
};
