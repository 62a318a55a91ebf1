#include "send_subcommands.h"

#include <cstdint>
#include <string>

#include "arguments.h"
#include "boards.h"
#include "exit_status.h"
#include "send_builder.h"
#include "send_payloads.h"

namespace panelink::cli {
namespace {

// Payload sizes of the library's commands are panelink.h's (PANELINK_DIRECT_OUTPUT_BYTES and the
// others); the board's own seven-segment digits take two bytes.
constexpr size_t kSevenSegmentBytes = 2;

// A length for the help texts and messages.
std::string count_text(int count) {
    return std::to_string(count);
}

constexpr const char *kBytesHelp =
    "Bytes in hexadecimal ('ff 01', '0xff01' or 'ff,01'); missing bytes are 0";

void add_port_data_commands(SubcommandBuilder &b) {
    b.add("direct",
          "Direct digital outputs of a module: up to " + count_text(PANELINK_DIRECT_OUTPUT_BYTES) +
              " bytes",
          [](const Arguments &a) {
              auto data = fixed_bytes(a.words, PANELINK_DIRECT_OUTPUT_BYTES, "direct output");
              return OutputCommand{"direct output", [a, data](DeviceRecord &r) {
                                       return WriteDirectOutput(&r, a.port, data.data());
                                   }};
          });
    b.port().words("BYTES", kBytesHelp);
    b.add("mux",
          "Multiplexed digital outputs of a module: up to " +
              count_text(PANELINK_MUX_OUTPUT_BYTES) + " bytes",
          [](const Arguments &a) {
              auto data = fixed_bytes(a.words, PANELINK_MUX_OUTPUT_BYTES, "multiplexed output");
              return OutputCommand{"multiplexed output", [a, data](DeviceRecord &r) {
                                       return WriteMuxOutput(&r, a.port, data.data());
                                   }};
          });
    b.port().words("BYTES", kBytesHelp);
    b.add("latched",
          "Latched digital outputs of a module: up to " +
              count_text(PANELINK_LATCHED_OUTPUT_STATES) + " states",
          [](const Arguments &a) {
              auto states = latched_states(a.text);
              return OutputCommand{"latched output", [a, states](DeviceRecord &r) {
                                       return WriteLatchedOutput(&r, a.port, states.data(),
                                                                 a.parameter);
                                   }};
          });
    b.port().parameter().text("STATES", "'0' and '1' for outputs 1, 2, ... ('1011_0001'); "
                                        "outputs not given are off");
    b.add("spi-dac",
          "SPI digital-to-analogue converter of a module: up to " +
              count_text(PANELINK_SPI_DAC_BYTES) + " bytes",
          [](const Arguments &a) {
              auto data = fixed_bytes(a.words, PANELINK_SPI_DAC_BYTES, "SPI DAC data");
              return OutputCommand{"SPI DAC", [a, data](DeviceRecord &r) {
                                       return WriteSPIDAC(&r, a.port, data.data(), a.parameter);
                                   }};
          });
    b.port().parameter().words("BYTES", kBytesHelp);
    b.add("dot-matrix",
          "Dot-matrix display of a module: up to " + count_text(PANELINK_DOT_MATRIX_BYTES) +
              " pattern bytes",
          [](const Arguments &a) {
              auto data = fixed_bytes(a.words, PANELINK_DOT_MATRIX_BYTES, "dot-matrix patterns");
              return OutputCommand{"dot-matrix", [a, data](DeviceRecord &r) {
                                       return WriteDotMatrix(&r, a.port, data.data(), a.parameter);
                                   }};
          });
    b.port().parameter().words("PATTERNS", kBytesHelp);
}

void add_display_commands(SubcommandBuilder &b) {
    b.add("glcd-command", "Graphic LCD of a module: one command byte", [](const Arguments &a) {
        return OutputCommand{"graphic LCD command", [a](DeviceRecord &r) {
                                 return CmdGLCD(&r, a.port, a.parameter, a.number);
                             }};
    });
    b.port().parameter();
    b.app()
        .add_option("COMMAND", b.args().number, "The command byte, 0 to 255")
        ->type_name("BYTE")
        ->transform(number_range(0, 255))
        ->required();
    b.add("glcd-data",
          "Graphic LCD text of a module: one or two lines of up to " +
              count_text(PANELINK_GLCD_LINE_BYTES) + " characters",
          [](const Arguments &a) {
              if (a.words.size() > 2)
                  throw UsageError("the graphic LCD takes one or two lines");
              std::string lines;
              for (const std::string &line : a.words)
                  lines += padded_text(line, PANELINK_GLCD_LINE_BYTES, "a graphic LCD line");
              const auto count = static_cast<int32_t>(a.words.size());
              return OutputCommand{"graphic LCD text", [a, lines, count](DeviceRecord &r) {
                                       return WriteGLCD(&r, a.port, a.number, count, a.parameter,
                                                        lines.c_str());
                                   }};
          });
    b.port().parameter().number("--position", "Position of the text");
    b.words("LINES", "One or two lines of text, padded with spaces to " +
                         count_text(PANELINK_GLCD_LINE_BYTES) + " characters");
    b.add("crt-rwr",
          "CRT/RWR display of a module: a value byte and up to " +
              count_text(PANELINK_CRTRWR_MAX_VALUES) + " values",
          [](const Arguments &a) {
              if (a.words.size() > PANELINK_CRTRWR_MAX_VALUES)
                  throw UsageError("the CRT/RWR display takes at most " +
                                   count_text(PANELINK_CRTRWR_MAX_VALUES) + " values");
              // The library reads values[start] onwards: the values go to that place.
              std::vector<int32_t> values(static_cast<size_t>(a.start) + a.words.size(), 0);
              for (size_t i = 0; i < a.words.size(); ++i) {
                  const auto value = parse_number(a.words[i], INT32_MIN, INT32_MAX);
                  if (!value)
                      throw UsageError("'" + a.words[i] + "' is not a 32-bit number");
                  values[static_cast<size_t>(a.start) + i] = static_cast<int32_t>(*value);
              }
              const auto count = static_cast<int32_t>(a.words.size());
              return OutputCommand{"CRT/RWR", [a, values, count](DeviceRecord &r) {
                                       return WriteCRTRWR(&r, a.port, a.number, count, a.start,
                                                          values.data());
                                   }};
          });
    b.port().number("--value", "The value byte");
    b.app()
        .add_option("--start", b.args().start, "Start index sent with the values, 0 to 255")
        ->type_name("INDEX")
        ->transform(number_range(0, 255))
        ->capture_default_str();
    b.app().add_option("VALUES", b.args().words,
                       "Up to " + count_text(PANELINK_CRTRWR_MAX_VALUES) +
                           " numbers (32 bits each)");
    b.add("display", "Seven-segment module: up to 7 digits, right-aligned", [](const Arguments &a) {
        check_display_text(a.text);
        return OutputCommand{"seven-segment text", [a](DeviceRecord &r) {
                                 return WriteDisplayOutput(&r, a.port, a.text.c_str(), a.parameter);
                             }};
    });
    b.port().parameter().text("TEXT", "Digits '0'-'9', '-', ' ' and '.' (decimal point of "
                                      "the digit before it); use -- before a text that starts "
                                      "with '-'");
}

void add_board_commands(SubcommandBuilder &b) {
    b.add("seven-segment", "The board's own seven-segment digits: 2 bytes, passed through",
          [](const Arguments &a) {
              auto bytes = fixed_bytes(a.words, kSevenSegmentBytes, "seven-segment");
              return OutputCommand{"seven-segment digits", [bytes](DeviceRecord &r) {
                                       return Write7Segment(&r, bytes.data());
                                   }};
          });
    b.words("BYTES", kBytesHelp);
    b.add("lcd-clear", "Clear the character LCD", [](const Arguments &) {
        return OutputCommand{"LCD clear", [](DeviceRecord &r) { return ClearLCD(&r, 0); }};
    });
    b.add("lcd", "Character LCD: up to " + count_text(PANELINK_LCD_CHARS) + " characters",
          [](const Arguments &a) {
              const std::string text = padded_text(a.text, PANELINK_LCD_CHARS, "the LCD");
              return OutputCommand{"LCD text", [a, text](DeviceRecord &r) {
                                       return WriteLCD(&r, 0, a.number, text.c_str(), a.parameter);
                                   }};
          });
    b.parameter().number("--selector", "Selector byte, passed to the board unchanged");
    b.text("TEXT",
           "The text, padded with spaces to " + count_text(PANELINK_LCD_CHARS) + " characters");
    b.add("tandem", "TANDEM display: two groups of up to 4 digits and a single digit",
          [](const Arguments &a) {
              if (a.words.size() != 2)
                  throw UsageError("the TANDEM display takes two groups (use '' for an empty one)");
              const auto last = fixed_bytes({a.last_bytes}, 2, "--last-bytes");
              const auto layout = tandem_layout(a.words[0], a.words[1], a.digit, last[0], last[1]);
              return OutputCommand{"TANDEM", [a, layout](DeviceRecord &r) {
                                       return WriteTANDEM(&r, layout.data(), a.parameter);
                                   }};
          });
    b.parameter().words("GROUPS", "Group 1 and group 2: '0'-'9', '-', 'L', 'P', '=', 'r', ' ' "
                                  "and '.', at most 4 digits each");
    b.app()
        .add_option("--digit", b.args().digit,
                    "The single digit: one of 0-9, -, L, P, =, r or ' ' (blank, the default)")
        ->type_name("CHAR");
    b.app()
        .add_option("--last-bytes", b.args().last_bytes,
                    "Bytes 20 and 21 of the layout in hexadecimal, passed through")
        ->type_name("HEX")
        ->capture_default_str();
}

void add_raw_command(SubcommandBuilder &b) {
    b.add("raw",
          "One raw output report: report ID first (0 for the family's boards), padded "
          "with zeros to the board's output report length",
          [](const Arguments &a) {
              const auto bytes = parse_hex_bytes(a.words);
              if (!bytes || bytes->empty())
                  throw UsageError("raw: bytes are written in hexadecimal, e.g. '00 25 ff'");
              return OutputCommand{
                  "raw output report", [bytes](DeviceRecord &r) {
                      if (bytes->size() > r.OutputReportByteLength)
                          throw UsageError(describe(r) + " takes output reports of " +
                                           std::to_string(r.OutputReportByteLength) + " bytes, " +
                                           std::to_string(bytes->size()) + " given");
                      std::vector<uint8_t> report = *bytes;
                      report.resize(r.OutputReportByteLength, 0);
                      return WriteData(&r, report.data());
                  }};
          });
    b.words("BYTES", kBytesHelp);
}

} // namespace

void add_output_subcommands(CLI::App &send, SendOptions &options) {
    SubcommandBuilder builder(send, options);
    add_port_data_commands(builder);
    add_display_commands(builder);
    add_board_commands(builder);
    add_raw_command(builder);
}

} // namespace panelink::cli
