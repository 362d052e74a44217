// Per-thread message handlers: a thread that installs one receives the
// messages of its own calls, exactly as they would have been printed, and
// nothing is printed for them; other threads print as before.
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"
#include "test_support.hpp"

namespace {

using Messages = std::vector<std::pair<std::string, int>>;

extern "C" void keep(const char *text, int stream, void *context) {
    static_cast<Messages *>(context)->emplace_back(text, stream);
}

// Installs `keep` for the life of the object and restores what was there.
class Collecting {
  public:
    Collecting() {
        EXPECT_EQ(corvan_get_message_handler(&saved_, &saved_context_), 0);
        EXPECT_EQ(corvan_set_message_handler(keep, &messages), 0);
    }
    ~Collecting() { corvan_set_message_handler(saved_, saved_context_); }
    Messages messages;

  private:
    corvan_message_handler saved_ = nullptr;
    void *saved_context_ = nullptr;
};

TEST(MessageHandler, ReceivesTheTextAndStreamAndNothingIsPrinted) {
    std::vector<float> out(64);
    Collecting collecting;
    testing::internal::CaptureStderr();
    const std::string printed = test_support::stdout_of([&] {
        EXPECT_EQ(nn_pep_mass_to_dist(out.data(), 64, 0, 150000.0f), -1.0f);
        EXPECT_EQ(fft_pep_seq_to_dist(std::string(1001, 'G').c_str(), out.data(), 64, 0), -1.0f);
        int list[5] = {};
        add_mod_to_fftlist("H2 O", list);
        protein_list missing = read_masses_seqs_file("/nonexistent/corvan/list.txt");
        free_protein_list(&missing);
    });
    EXPECT_EQ(printed, "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const Messages expected = {{"Error: Mass outside of allowed NN mass range: 150000.000000\n", 1},
                               {"Sequence contains too many amino acids (>1000).", 1},
                               {"Error while parsing modification formula:H2 O\n", 1},
                               {"Error opening file!\n", 2}};
    EXPECT_EQ(collecting.messages, expected);
}

TEST(MessageHandler, LongMessagesArriveWhole) {
    const std::string formula = "C2" + std::string(5000, 'x');
    Collecting collecting;
    int list[5] = {};
    add_mod_to_fftlist(formula.c_str(), list);
    ASSERT_EQ(collecting.messages.size(), 1u);
    EXPECT_EQ(collecting.messages[0].first,
              "Error while parsing modification formula:" + formula + "\n");
}

TEST(MessageHandler, BelongsToTheThreadThatInstalledIt) {
    Collecting collecting;
    std::string printed_elsewhere;
    std::thread other([&] {
        corvan_message_handler handler = keep;
        void *context = &handler;
        EXPECT_EQ(corvan_get_message_handler(&handler, &context), 0);
        EXPECT_EQ(handler, nullptr) << "threads start without a handler";
        EXPECT_EQ(context, nullptr);
        printed_elsewhere = test_support::stdout_of([] {
            float out[8];
            nn_rna_mass_to_dist(out, 8, 0, 200000.0f);
        });
    });
    other.join();
    EXPECT_EQ(printed_elsewhere, "Error: Mass outside of allowed NN mass range: 200000.000000\n");
    EXPECT_TRUE(collecting.messages.empty());
}

TEST(MessageHandler, NullRestoresPrintingAndGetChecksItsPointers) {
    {
        Collecting collecting;
        corvan_message_handler handler = nullptr;
        void *context = nullptr;
        EXPECT_EQ(corvan_get_message_handler(&handler, &context), 0);
        EXPECT_EQ(handler, keep);
        EXPECT_EQ(context, &collecting.messages);
        EXPECT_EQ(corvan_get_message_handler(nullptr, &context), -1);
        EXPECT_EQ(corvan_get_message_handler(&handler, nullptr), -1);
    }
    EXPECT_EQ(test_support::stdout_of([] {
                  float out[8];
                  pep_mass_to_dist_fitting(out, 8, 0, -1.0f);
                  nn_pep_mass_to_dist(out, 8, 0, 120000.0f);
              }),
              "Error: Mass outside of allowed NN mass range: 120000.000000\n");
}

} // namespace
