#include "console/page_layout.h"

#include <array>
#include <utility>

#include "base/version.h"
#include "views/svg_surface.h"

namespace orlund {

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 8> kNavigation = {{
    {"/", "Overview"},
    {"/clients", "Clients"},
    {"/packets", "Packets"},
    {"/log", "Server log"},
    {"/receivers", "Receivers"},
    {"/receiver-types", "Receiver types"},
    {"/profiles", "Profiles"},
    {"/calendar", "Calendar"},
}};

bool IsCurrent(std::string_view link, std::string_view current_path) {
  if (link == "/") return current_path == "/";
  return current_path == link ||
         (current_path.starts_with(link) && current_path.size() > link.size() &&
          current_path[link.size()] == '/');
}

std::string ViewerHtml(const ConsoleSession& viewer) {
  std::string html = "<div class=\"viewer\">";
  if (viewer.without_login) {
    html += "<span>no login required</span> <span class=\"level\">level " +
            std::to_string(viewer.level) + "</span>";
  } else {
    html += "<span class=\"user\">" + Html(viewer.user_name) +
            "</span> <span class=\"level\">level " + std::to_string(viewer.level) +
            "</span> <form method=\"post\" action=\"/logout\">" + FormTokenField(viewer) +
            "<button type=\"submit\">Log out</button></form>";
  }
  return html + "</div>";
}

}  // namespace

std::string Html(std::string_view text) { return SvgText(text); }

std::string FormTokenField(const ConsoleSession& viewer) {
  return "<input type=\"hidden\" name=\"form_token\" value=\"" + viewer.form_token + "\">";
}

std::string PageDocument(std::string_view title, std::string_view current_path,
                         const ConsoleSession* viewer, std::string_view main_html,
                         std::string_view main_attributes) {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>";
  html += Html(title);
  html += " - ";
  html += kProductName;
  html +=
      "</title>\n<link rel=\"icon\" href=\"data:,\">\n"
      "<link rel=\"stylesheet\" href=\"/assets/console.css\">\n"
      "<script src=\"/assets/console.js\" defer></script>\n</head>\n<body>\n<header>\n"
      "<div class=\"product\">";
  html += kProductName;
  html += " <span class=\"version\">";
  html += kProductVersion;
  html += "</span></div>\n";
  if (viewer != nullptr) {
    html += "<nav>";
    for (const auto& [link, name] : kNavigation) {
      html += "<a href=\"" + std::string(link) + "\"";
      if (IsCurrent(link, current_path)) html += " class=\"current\" aria-current=\"page\"";
      html += ">" + std::string(name) + "</a>";
    }
    html += "</nav>\n" + ViewerHtml(*viewer) + "\n";
  }
  html += "</header>\n<main";
  if (!main_attributes.empty()) {
    html += " ";
    html += main_attributes;
  }
  html += ">\n";
  html += main_html;
  html += "\n</main>\n</body>\n</html>\n";
  return html;
}

}  // namespace orlund
