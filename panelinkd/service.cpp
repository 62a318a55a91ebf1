#include "service.h"

#include <chrono>

#include "board_manager.h"
#include "log.h"
#include "stop_signal.h"

namespace panelinkd {

int run_service(const CommandLine &options, std::vector<std::unique_ptr<Output>> &outputs) {
    Config config;
    try {
        config = make_config(options);
    } catch (const ConfigError &e) {
        log_error(e.what());
        return kServiceBadConfig;
    }
    // SIGTERM and SIGINT end the service cleanly, as they end the command-line tool's commands.
    panelink::cli::catch_stop_signals();
    return serve(config, outputs, [] { return panelink::cli::stop_requested(); });
}

int serve(const Config &config, std::vector<std::unique_ptr<Output>> &outputs,
          const std::function<bool()> &stop) {
    set_log_level(config.log_level);
    BoardRegistry registry;
    BoardManager manager(std::chrono::milliseconds(config.poll_ms), BoardNamer(config.board_names),
                         registry);
    std::vector<Output *> started;
    int status = kServiceDone;
    for (const auto &output : outputs) {
        try {
            if (BoardSink *sink = output->start(config, registry)) {
                manager.add_sink(*sink);
                started.push_back(output.get());
            }
        } catch (const ConfigError &e) {
            log_error(e.what());
            status = kServiceBadConfig;
        } catch (const std::exception &e) {
            log_error(e.what());
            status = kServiceFailed;
        }
        if (status != kServiceDone)
            break;
    }
    if (status == kServiceDone) {
        if (!config.broker)
            log_info("no broker configured: connecting to none");
        log_info("polling the boards every " + std::to_string(config.poll_ms) + " ms");
        manager.run(stop);
        log_info("stopped: every board is offline");
    }
    for (Output *output : started)
        output->stop();
    return status;
}

} // namespace panelinkd
