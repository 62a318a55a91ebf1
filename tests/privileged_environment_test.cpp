// A program that runs with more privileges than its caller (here set-user-ID root, started by
// "nobody") must not follow the caller's PANELINK_ variables: they would point it at other
// boards, another sysfs tree or another log folder. The same program without the set-user-ID bit
// follows them. Needs root to set the program up; skipped otherwise.
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string output;
};

// Runs `program` as `user` in `folder` with only `environment`, and collects its output.
Outcome run_as(const passwd &user, const std::string &program, const std::string &folder,
               std::vector<std::string> environment) {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipe_ends[1], STDOUT_FILENO);
        close(pipe_ends[0]);
        std::vector<char *> env;
        for (std::string &entry : environment)
            env.push_back(entry.data());
        env.push_back(nullptr);
        char *argv[] = {const_cast<char *>(program.c_str()), nullptr};
        if (setgroups(0, nullptr) == 0 && setgid(user.pw_gid) == 0 && setuid(user.pw_uid) == 0 &&
            chdir(folder.c_str()) == 0)
            execve(program.c_str(), argv, env.data());
        _exit(127);
    }
    close(pipe_ends[1]);
    Outcome outcome;
    char buffer[4096];
    for (ssize_t n; (n = read(pipe_ends[0], buffer, sizeof buffer)) > 0;)
        outcome.output.append(buffer, static_cast<size_t>(n));
    close(pipe_ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

TEST(PrivilegedEnvironment, SetUserIdProgramIgnoresTheCallersVariables) {
#if defined(PANELINK_SANITIZED)
    GTEST_SKIP() << "sanitizer runtimes refuse to run set-user-ID";
#endif
    const passwd *nobody = getpwnam("nobody");
    if (geteuid() != 0 || nobody == nullptr)
        GTEST_SKIP() << "needs root and a user 'nobody'";

    char name[] = "/tmp/panelink-setuid-XXXXXX";
    const fs::path root = mkdtemp(name);
    const fs::path program = root / "environment_probe";
    const fs::path logs = root / "logs";
    const fs::path work = root / "work";
    fs::copy_file(ENVIRONMENT_PROBE, program);
    fs::create_directory(logs);
    fs::create_directory(work);
    ASSERT_EQ(chmod(root.c_str(), 0755), 0);
    for (const fs::path &folder : {logs, work})
        ASSERT_EQ(chmod(folder.c_str(), 0777), 0);

    const std::vector<std::string> environment = {
        "PANELINK_SIMULATE=demo", "PANELINK_LOG_DIR=" + logs.string(),
        "PANELINK_SYSFS_ROOT=" + (root / "planted").string(), "PATH=/usr/bin:/bin"};
    struct Case {
        const char *name;
        mode_t mode;
        bool follows_variables;
    };
    for (const Case &c :
         {Case{"plain program", 0755, true}, Case{"set-user-ID root program", 04755, false}}) {
        SCOPED_TRACE(c.name);
        fs::remove(logs / "panelink_all.log");
        fs::remove(work / "panelink_all.log");
        ASSERT_EQ(chown(program.c_str(), 0, 0), 0);
        ASSERT_EQ(chmod(program.c_str(), c.mode), 0);

        const Outcome outcome = run_as(*nobody, program, work, environment);
        ASSERT_EQ(outcome.status, 0);
        // The demo boards have paths of their own; the system's hidraw boards have /dev paths.
        const bool demo_boards = outcome.output.find("sim://demo/") != std::string::npos;
        EXPECT_EQ(demo_boards, c.follows_variables) << outcome.output;
        EXPECT_EQ(fs::exists(logs / "panelink_all.log"), c.follows_variables);
        EXPECT_EQ(fs::exists(work / "panelink_all.log"), !c.follows_variables);
    }
    fs::remove_all(root);
}

} // namespace
