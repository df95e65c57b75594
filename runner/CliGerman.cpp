#include "CliGerman.h"

namespace runner {

// CLI11 explains in English; the kit speaks German. Its messages name the option and the value
// in a fixed shape ("Could not convert: --count = abc", "--json: 1 required DATEI missing").
std::string German(const CLI::ParseError& e) {
  const std::string what = e.what();
  auto trimmed = [](std::string text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
  };
  if (dynamic_cast<const CLI::ExtrasError*>(&e)) {
    return "Unbekannte Angabe: " + trimmed(what.substr(what.find(':') + 1));
  }
  if (dynamic_cast<const CLI::ConversionError*>(&e)) {
    const std::size_t colon = what.find(':'), equals = what.find(" = ");
    if (colon != std::string::npos && equals != std::string::npos && colon < equals) {
      return "Ungültiger Wert für " + trimmed(what.substr(colon + 1, equals - colon - 1)) + ": „" +
             what.substr(equals + 3) + "“";
    }
    return "Ungültiger Wert: " + what;
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) {
    return "Zu " + what.substr(0, what.find(':')) + " fehlt ein Wert.";
  }
  if (dynamic_cast<const CLI::RequiredError*>(&e)) {
    const std::size_t is = what.rfind(" is required");
    if (is != std::string::npos) return "Es fehlt die Angabe " + what.substr(0, is) + ".";
  }
  return what;
}

// The help in German throughout: CLI11's own labels too.
void Germanize(CLI::App& app) {
  auto formatter = app.get_formatter();
  formatter->label("Usage", "Aufruf");
  formatter->label("OPTIONS", "OPTIONEN");
  formatter->label("REQUIRED", "nötig");
  formatter->label("SUBCOMMAND", "BEFEHL");
  formatter->label("SUBCOMMANDS", "BEFEHLE");
  formatter->column_width(30);
  app.set_help_flag("-h,--help", "Zeigt diese Hilfe und endet");
  app.option_defaults()->group("Optionen");
  app.get_help_ptr()->group("Optionen");
}

}  // namespace runner
