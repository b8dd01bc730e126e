// What kx's pictures share: the file types, one drawing code for PNG, SVG and PDF, colours and text.
#pragma once

#include <cairo.h>

#include <functional>
#include <string>

namespace cli {

struct Colour {
  double r, g, b;
};
inline constexpr Colour kInk{0.15, 0.15, 0.18};
inline constexpr Colour kBars{0.27, 0.48, 0.71};
inline constexpr Colour kPositive{0.20, 0.55, 0.35};
inline constexpr Colour kNegative{0.78, 0.33, 0.26};
inline constexpr Colour kMarks{0.85, 0.55, 0.10};
inline constexpr Colour kGrid{0.85, 0.85, 0.88};

struct Box {
  double x, y, width, height;
};

void fill_with(cairo_t* cr, Colour c);
// Text with its left edge (align 0), centre (0.5) or right edge (1) at x, baseline at y.
void text_at(cairo_t* cr, double x, double y, const std::string& text, double size, double align = 0);

// The width the text takes at this size.
double text_width(cairo_t* cr, const std::string& text, double size);
// The text, or as much of it as fits in `width` followed by "…", cut between whole characters.
std::string fitted_text(cairo_t* cr, const std::string& text, double size, double width);

// Raises kx::Failure unless the path ends in .png, .svg or .pdf and a file can be written there:
// checked before a run, not after it.
void check_plot_path(const std::string& path);

// Whether the path names a PDF file, which holds several pages where a PNG or SVG holds one.
bool holds_pages(const std::string& path);

// Draws a picture of the given size into a PNG, SVG or PDF file, chosen by the path's
// extension, on a white background, and puts it in place only when it is whole. Raises
// kx::Failure for another extension or a file that cannot be written, with the system's reason.
void write_picture(const std::string& path, double width, double height, const std::function<void(cairo_t*)>& draw);

// The same for a PDF file of `pages` pages, each drawn by draw(cr, page).
void write_pages(const std::string& path, double width, double height, std::size_t pages,
                 const std::function<void(cairo_t*, std::size_t)>& draw);

}  // namespace cli
