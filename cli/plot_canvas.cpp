#include "cli/plot_canvas.hpp"

#include <cairo-pdf.h>
#include <cairo-svg.h>

#include <exception>
#include <filesystem>
#include <memory>

#include "cli/atomic_file.hpp"
#include "common/failure.hpp"
#include "common/text_compare.hpp"

namespace cli {
namespace {

[[noreturn]] void fail(const std::string& message) { throw kx::Failure(kx::error::kHostFailure, message); }

void check(cairo_status_t status, const std::string& path) {
  if (status != CAIRO_STATUS_SUCCESS) fail("cannot write " + path + ": " + cairo_status_to_string(status));
}

std::string extension_of(const std::string& path) {
  return kx::to_lower_ascii(std::filesystem::path(path).extension().string());
}

}  // namespace

void fill_with(cairo_t* cr, Colour c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

void text_at(cairo_t* cr, double x, double y, const std::string& text, double size, double align) {
  cairo_set_font_size(cr, size);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  cairo_move_to(cr, x - align * extents.x_advance, y);
  cairo_show_text(cr, text.c_str());
}

double text_width(cairo_t* cr, const std::string& text, double size) {
  cairo_set_font_size(cr, size);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  return extents.x_advance;
}

std::string fitted_text(cairo_t* cr, const std::string& text, double size, double width) {
  if (text_width(cr, text, size) <= width) return text;
  std::string cut = text;
  while (!cut.empty()) {
    // A UTF-8 character's continuation bytes are 10xxxxxx; its first byte is not.
    while (!cut.empty() && (static_cast<unsigned char>(cut.back()) & 0xC0) == 0x80) cut.pop_back();
    if (!cut.empty()) cut.pop_back();
    if (text_width(cr, cut + "…", size) <= width) break;
  }
  return cut + "…";
}

void check_plot_path(const std::string& path) {
  const std::string extension = extension_of(path);
  if (extension != ".png" && extension != ".svg" && extension != ".pdf") {
    fail("the plot file must end in .png, .svg or .pdf: " + path);
  }
  check_writable(path);
}

bool holds_pages(const std::string& path) { return extension_of(path) == ".pdf"; }

void write_picture(const std::string& path, double width, double height, const std::function<void(cairo_t*)>& draw) {
  write_pages(path, width, height, 1, [&draw](cairo_t* cr, std::size_t) { draw(cr); });
}

void write_pages(const std::string& path, double width, double height, std::size_t pages,
                 const std::function<void(cairo_t*, std::size_t)>& draw) {
  check_plot_path(path);
  AtomicFile file(path);
  // Cairo writes through this; the file's own failure, with its reason, is kept to be raised.
  struct Sink {
    AtomicFile& file;
    std::exception_ptr failure;
  } sink{file, nullptr};
  const cairo_write_func_t write = [](void* closure, const unsigned char* data, unsigned int length) {
    auto& sink = *static_cast<Sink*>(closure);
    try {
      sink.file.write({reinterpret_cast<const char*>(data), length});
      return CAIRO_STATUS_SUCCESS;
    } catch (...) {
      sink.failure = std::current_exception();
      return CAIRO_STATUS_WRITE_ERROR;
    }
  };
  const auto checked = [&](cairo_status_t status) {
    if (sink.failure) std::rethrow_exception(sink.failure);
    check(status, path);
  };
  const std::string extension = extension_of(path);
  const bool pdf = extension == ".pdf";
  const bool vector = pdf || extension == ".svg";
  if (!pdf && pages != 1) fail("a ." + extension.substr(1) + " file holds one picture: " + path);
  const std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> surface(
      pdf    ? cairo_pdf_surface_create_for_stream(write, &sink, width, height)
      : vector ? cairo_svg_surface_create_for_stream(write, &sink, width, height)
             : cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width), static_cast<int>(height)),
      cairo_surface_destroy);
  checked(cairo_surface_status(surface.get()));
  {
    const std::unique_ptr<cairo_t, void (*)(cairo_t*)> cr(cairo_create(surface.get()), cairo_destroy);
    for (std::size_t page = 0; page < pages; ++page) {
      cairo_save(cr.get());
      cairo_set_source_rgb(cr.get(), 1, 1, 1);
      cairo_paint(cr.get());
      cairo_select_font_face(cr.get(), "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
      draw(cr.get(), page);
      cairo_restore(cr.get());
      if (pdf) cairo_show_page(cr.get());
      checked(cairo_status(cr.get()));
    }
  }
  if (vector) {
    cairo_surface_finish(surface.get());
    checked(cairo_surface_status(surface.get()));
  } else {
    checked(cairo_surface_write_to_png_stream(surface.get(), write, &sink));
  }
  file.commit();
}

}  // namespace cli
