#include "ime/ibus/zv_engine.h"

#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ime/core/checker_dictionary.h"
#include "ime/core/composer.h"
#include "ime/core/keys.h"
#include "ime/core/suggester.h"

namespace zv::ime {
namespace {

constexpr char kConventions[] = "conventions";
constexpr char kSuggestions[] = "suggestions";
// The check offers at most five words: one page.
constexpr guint kPageSize = 5;

std::uint32_t Modifiers(guint state) {
    std::uint32_t modifiers = 0;
    if (state & IBUS_SHIFT_MASK) modifiers |= kShift;
    if (state & IBUS_CONTROL_MASK) modifiers |= kControl;
    if (state & IBUS_MOD1_MASK) modifiers |= kAlt;
    if (state & (IBUS_MOD4_MASK | IBUS_SUPER_MASK | IBUS_HYPER_MASK | IBUS_META_MASK)) {
        modifiers |= kSuper;
    }
    if (state & IBUS_RELEASE_MASK) modifiers |= kRelease;
    return modifiers;
}

IBusProperty* Toggle(const char* key, const char* label, const char* tooltip) {
    return ibus_property_new(key, PROP_TYPE_TOGGLE, ibus_text_new_from_static_string(label),
                             nullptr, ibus_text_new_from_static_string(tooltip), TRUE, TRUE,
                             PROP_STATE_CHECKED, nullptr);
}

gboolean OnAnswer(gpointer engine);

// What one engine keeps: the core, the suggestions' thread, and what it last showed.
class State {
  public:
    explicit State(IBusEngine* engine)
        : engine_(engine),
          table_(IBUS_LOOKUP_TABLE(
              g_object_ref_sink(ibus_lookup_table_new(kPageSize, 0, FALSE, TRUE)))),
          properties_(IBUS_PROP_LIST(g_object_ref_sink(ibus_prop_list_new()))),
          conventions_(Toggle(kConventions, "Konvencijas ieslēgtas",
                              "aa → ā, sh → š, kj → ķ, 'a → ā; izslēgtas: taustiņi kā bez ZV")),
          suggestions_(Toggle(kSuggestions, "Vārdnīcas ieteikumi",
                              "Latviešu vārdnīcas ieteikumi vārdam, kas rakstīts nepareizi")) {
        ibus_prop_list_append(properties_, conventions_);
        ibus_prop_list_append(properties_, suggestions_);
    }

    ~State() {
        suggester_.reset();  // its thread stopped before the rest goes
        g_object_unref(table_);
        g_object_unref(properties_);
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    gboolean Key(guint keyval, guint state) {
        const gunichar character = ibus_keyval_to_unicode(keyval);
        const std::uint32_t modifiers = Modifiers(state);
        Reply reply = composer_.Press({keyval, character, modifiers});
        Show();
        // A word ended by a key that types a character: in Qt the committed word and the key
        // handed back reach the field by two ways that may cross ("ā!" became "!ā" under load),
        // so the character is committed with the word and the key taken.
        if (!commits_preedit_ && reply.pass && !reply.commit.empty() &&
            (modifiers & (kRelease | kControl | kAlt | kSuper)) == 0 && character >= 0x20 &&
            g_unichar_isprint(character)) {
            char utf8[8] = {};
            g_unichar_to_utf8(character, utf8);
            reply.commit += utf8;
            reply.pass = false;
        }
        Commit(reply.commit);
        Ask();
        return !reply.pass;
    }

    // An input context takes the focus. Qt's IBus input context (client "QIBusInputContext")
    // commits the preedit it shows itself on a click or a focus change inside its window, and
    // knows no preedit mode: the daemon must not commit the preedit a second time there, so it
    // gets IBUS_ENGINE_PREEDIT_CLEAR. Every other client (GTK's, XIM's) has the preedit
    // committed on a focus change, a click or a reset, in IBUS_ENGINE_PREEDIT_COMMIT mode.
    void FocusIn(const char* path, const char* client) {
        path_ = path ? path : "";
        commits_preedit_ = !g_str_has_prefix(client ? client : "", "QIBusInputContext");
        secret_ = false;  // until the context says otherwise (ContentType)
        ibus_engine_register_properties(engine_, properties_);
        // A word that was being typed when the context lost the focus goes on.
        if (const auto kept = kept_.find(path_); kept != kept_.end()) {
            composer_ = std::move(kept->second);
            kept_.erase(kept);
            asked_ = 0;  // the revisions are the restored composer's
        }
        Enable();
    }

    // A password or a PIN is typed as it is: the conventions would change it unseen. The
    // toggle is greyed out meanwhile.
    void ContentType(guint purpose) {
        const bool secret =
            purpose == IBUS_INPUT_PURPOSE_PASSWORD || purpose == IBUS_INPUT_PURPOSE_PIN;
        if (secret != secret_ || secret != !ibus_property_get_sensitive(conventions_)) {
            secret_ = secret;
            ibus_property_set_sensitive(conventions_, !secret);
            ibus_engine_update_property(engine_, conventions_);
        }
        Enable();
    }

    // The context loses the focus. Where the framework commits the preedit, the word is done.
    // Qt drops whatever comes while its window has no focus (its window was left for another
    // one), and keeps showing the word: the word is kept for the context, to go on with when
    // it has the focus again.
    void FocusOut(const char* path) {
        if (!commits_preedit_ && composer_.Pending() && path) {
            if (kept_.size() >= kMaxKept) kept_.erase(kept_.begin());
            kept_[path] = std::move(composer_);
            composer_ = Composer();
            composer_.SetEnabled(enabled_ && !secret_);
        }
        Reset();
    }

    // A click or the application's reset: the preedit is committed as it is shown (by the
    // daemon, or by Qt itself), so the word is only forgotten here.
    void Reset() {
        composer_.Clear();
        Show();
    }

    void Property(const char* name, guint state) {
        const bool on = state == PROP_STATE_CHECKED;
        IBusProperty* property = nullptr;
        if (g_strcmp0(name, kConventions) == 0) {
            property = conventions_;
            enabled_ = on;
            Enable();
        } else if (g_strcmp0(name, kSuggestions) == 0) {
            property = suggestions_;
            suggest_ = on;
            if (!on) {
                suggester_.reset();  // and with it the dictionary
                composer_.Offer(composer_.Typed(), {});
                ShowList();
            }
            asked_ = 0;
            Ask();
        }
        if (!property) return;
        ibus_property_set_state(property, on ? PROP_STATE_CHECKED : PROP_STATE_UNCHECKED);
        ibus_engine_update_property(engine_, property);
    }

    void Clicked(guint index) {
        const std::string word = composer_.Pick(index);
        Show();
        Commit(word);
    }

    // The candidate window's own buttons: the same as the arrow keys.
    void Move(std::uint32_t sym) {
        if (composer_.Candidates().empty()) return;
        composer_.Press({sym, 0, 0});
        ShowList();
    }

    void Answer() {
        if (!suggester_) return;
        if (std::optional<Suggester::Answer> answer = suggester_->TakeAnswer()) {
            composer_.Offer(answer->typed, std::move(answer->candidates));
            ShowList();
        }
    }

  private:
    // The conventions on or off, as the toggle and the field say: turned off, the word being
    // typed is committed.
    void Enable() {
        const std::string pending = composer_.SetEnabled(enabled_ && !secret_);
        Show();
        Commit(pending);
        Ask();
    }

    void Commit(const std::string& text) {
        if (!text.empty())
            ibus_engine_commit_text(engine_, ibus_text_new_from_string(text.c_str()));
    }

    void Show() {
        const std::string& preedit = composer_.Preedit();
        if (preedit != shown_preedit_) {
            IBusText* text = ibus_text_new_from_string(preedit.c_str());
            const guint length = static_cast<guint>(composer_.PreeditLength());
            if (length > 0) {
                ibus_text_append_attribute(text, IBUS_ATTR_TYPE_UNDERLINE,
                                           IBUS_ATTR_UNDERLINE_SINGLE, 0, length);
            }
            ibus_engine_update_preedit_text_with_mode(
                engine_, text, length, length > 0,
                commits_preedit_ ? IBUS_ENGINE_PREEDIT_COMMIT : IBUS_ENGINE_PREEDIT_CLEAR);
            shown_preedit_ = preedit;
        }
        ShowList();
    }

    void ShowList() {
        std::vector<std::string> words;
        for (const Candidate& candidate : composer_.Candidates()) words.push_back(candidate.word);
        const std::optional<std::size_t> selected = composer_.Selected();
        if (words == shown_words_ && selected == shown_selected_) return;
        shown_words_ = words;
        shown_selected_ = selected;
        if (words.empty()) {
            ibus_engine_hide_lookup_table(engine_);
            return;
        }
        ibus_lookup_table_clear(table_);
        for (const std::string& word : words) {
            ibus_lookup_table_append_candidate(table_, ibus_text_new_from_string(word.c_str()));
        }
        ibus_lookup_table_set_cursor_pos(table_, static_cast<guint>(selected.value_or(0)));
        ibus_lookup_table_set_cursor_visible(table_, selected.has_value());
        ibus_engine_update_lookup_table(engine_, table_, TRUE);
    }

    // The dictionary is asked about each new word being typed, on its own thread; the answer
    // comes back through the main loop.
    void Ask() {
        if (!suggest_ || !composer_.Pending() || composer_.Revision() == asked_) return;
        asked_ = composer_.Revision();
        if (!suggester_) {
            IBusEngine* engine = engine_;
            suggester_ = std::make_unique<Suggester>(OpenCheckerDictionary, [engine] {
                g_idle_add_full(G_PRIORITY_DEFAULT, OnAnswer, g_object_ref(engine), g_object_unref);
            });
        }
        suggester_->Ask(composer_.Typed());
    }

    IBusEngine* engine_;
    Composer composer_;
    bool enabled_ = true;  // "Konvencijas ieslēgtas"
    bool secret_ = false;  // a password or PIN field has the focus
    bool suggest_ = true;  // "Vārdnīcas ieteikumi"
    std::string path_;     // the input context that has the focus
    bool commits_preedit_ = true;
    // The words being typed in contexts that lost the focus, by their object paths.
    static constexpr std::size_t kMaxKept = 16;
    std::map<std::string, Composer> kept_;
    std::uint64_t asked_ = 0;
    std::unique_ptr<Suggester> suggester_;
    std::string shown_preedit_;
    std::vector<std::string> shown_words_;
    std::optional<std::size_t> shown_selected_;
    IBusLookupTable* table_;
    IBusPropList* properties_;
    IBusProperty* conventions_;  // held by properties_
    IBusProperty* suggestions_;
};

struct ZvEngine {
    IBusEngine parent;
    State* state;
};

struct ZvEngineClass {
    IBusEngineClass parent;
};

G_DEFINE_TYPE(ZvEngine, zv_engine, IBUS_TYPE_ENGINE)

State* StateOf(IBusEngine* engine) {
    return reinterpret_cast<ZvEngine*>(
               G_TYPE_CHECK_INSTANCE_CAST(engine, zv_engine_get_type(), ZvEngine))
        ->state;
}

// Every call from the main loop ends here: no exception goes on into GLib.
template <typename Action>
void Guarded(const char* what, Action action) {
    try {
        action();
    } catch (const std::exception& e) {
        g_warning("ibus-engine-zv: %s: %s", what, e.what());
    } catch (...) {
        g_warning("ibus-engine-zv: %s failed", what);
    }
}

gboolean OnAnswer(gpointer engine) {
    Guarded("suggestions", [engine] {
        if (State* state = StateOf(IBUS_ENGINE(engine))) state->Answer();
    });
    return G_SOURCE_REMOVE;
}

gboolean ProcessKeyEvent(IBusEngine* engine, guint keyval, guint /*keycode*/, guint state) {
    gboolean taken = FALSE;
    Guarded("key", [&] {
        if (State* s = StateOf(engine)) taken = s->Key(keyval, state);
    });
    return taken;
}

void FocusInId(IBusEngine* engine, const gchar* path, const gchar* client) {
    Guarded("focus in", [&] {
        if (State* s = StateOf(engine)) s->FocusIn(path, client);
    });
}

void FocusOutId(IBusEngine* engine, const gchar* path) {
    Guarded("focus out", [&] {
        if (State* s = StateOf(engine)) s->FocusOut(path);
    });
}

void SetContentType(IBusEngine* engine, guint purpose, guint /*hints*/) {
    Guarded("content type", [&] {
        if (State* s = StateOf(engine)) s->ContentType(purpose);
    });
}

void Reset(IBusEngine* engine) {
    Guarded("reset", [engine] {
        if (State* s = StateOf(engine)) s->Reset();
    });
}

void PropertyActivate(IBusEngine* engine, const gchar* name, guint state) {
    Guarded("property", [&] {
        if (State* s = StateOf(engine)) s->Property(name, state);
    });
}

void CandidateClicked(IBusEngine* engine, guint index, guint /*button*/, guint /*state*/) {
    Guarded("candidate", [&] {
        if (State* s = StateOf(engine)) s->Clicked(index);
    });
}

template <std::uint32_t Sym>
void Move(IBusEngine* engine) {
    Guarded("candidate window", [engine] {
        if (State* s = StateOf(engine)) s->Move(Sym);
    });
}

void Destroy(IBusObject* object) {
    ZvEngine* engine = reinterpret_cast<ZvEngine*>(object);
    Guarded("destroy", [engine] {
        delete engine->state;
        engine->state = nullptr;
    });
    IBUS_OBJECT_CLASS(zv_engine_parent_class)->destroy(object);
}

void zv_engine_init(ZvEngine* engine) {
    engine->state = nullptr;
    Guarded("start", [engine] { engine->state = new State(IBUS_ENGINE(engine)); });
}

void zv_engine_class_init(ZvEngineClass* klass) {
    IBusEngineClass* engine = IBUS_ENGINE_CLASS(klass);
    engine->process_key_event = ProcessKeyEvent;
    // The engine is made with "has-focus-id" (ime/ibus/main.cpp): the daemon tells it which
    // input context gains or loses the focus, and which client that is.
    engine->focus_in_id = FocusInId;
    engine->focus_out_id = FocusOutId;
    engine->reset = Reset;
    engine->set_content_type = SetContentType;
    engine->disable = Reset;
    engine->property_activate = PropertyActivate;
    engine->candidate_clicked = CandidateClicked;
    engine->cursor_up = Move<keysym::kUp>;
    engine->cursor_down = Move<keysym::kDown>;
    engine->page_up = Move<keysym::kUp>;
    engine->page_down = Move<keysym::kDown>;
    IBUS_OBJECT_CLASS(klass)->destroy = Destroy;
}

}  // namespace

GType EngineType() { return zv_engine_get_type(); }

}  // namespace zv::ime
