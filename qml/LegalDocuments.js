// The legal texts on the maker's web site, in the reader's language.
.pragma library
.import Tarnolix 1.0 as T

function privacyPolicyUrl(english) {
    return T.Tarnolix.webSiteUrl("/privacy-policy.html", english ? "english" : "russian")
}

function termsOfUseUrl(english) {
    return T.Tarnolix.webSiteUrl("/terms-of-use.html", english ? "english" : "russian")
}
