#include "send_builder.h"

#include <memory>

#include "arguments.h"

namespace panelink::cli {

void SubcommandBuilder::add(const std::string &name, const std::string &help, Prepare prepare) {
    auto arguments = std::make_shared<Arguments>();
    current_ = send_.add_subcommand(name, help);
    args_ = arguments.get();
    options_.commands.emplace_back(current_, [arguments, prepare] { return prepare(*arguments); });
}

SubcommandBuilder &SubcommandBuilder::port() {
    current_
        ->add_option("--port", args_->port, "Module port, 0 to 23 (ports 2k and 2k+1 form pair k)")
        ->type_name("PORT")
        ->transform(number_range(0, 23))
        ->required();
    return *this;
}

SubcommandBuilder &SubcommandBuilder::parameter() {
    current_
        ->add_option("--parameter", args_->parameter,
                     "Parameter byte, 0 to 255, passed to the board unchanged")
        ->type_name("BYTE")
        ->transform(number_range(0, 255))
        ->capture_default_str();
    return *this;
}

SubcommandBuilder &SubcommandBuilder::number(const std::string &name, const std::string &help) {
    current_->add_option(name, args_->number, help + ", 0 to 255")
        ->type_name("BYTE")
        ->transform(number_range(0, 255))
        ->capture_default_str();
    return *this;
}

SubcommandBuilder &SubcommandBuilder::words(const std::string &name, const std::string &help) {
    current_->add_option(name, args_->words, help)->required();
    return *this;
}

SubcommandBuilder &SubcommandBuilder::text(const std::string &name, const std::string &help) {
    current_->add_option(name, args_->text, help)->required();
    return *this;
}

} // namespace panelink::cli
