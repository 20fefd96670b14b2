#include "store/store_error.h"

#include <sqlite3.h>

#include "store/password_mask.h"

namespace ondrel {

DataError storeError(const std::string& what, const SQLite::Exception& e) {
    switch (e.getErrorCode()) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return DataError(kStoreFailure, busyDatabase());
    case SQLITE_READONLY:
        return DataError(kStoreFailure, readOnlyDatabase());
    case SQLITE_FULL:
        return DataError(kStoreFailure, fullDisk());
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return DataError(kNotOurDatabase, "Ce fichier n'est pas une base de données Ondrel lisible : rien n'y a "
                                          "été écrit.");
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return DataError(kStoreFailure, "La base de données ne peut pas être ouverte : vérifiez que le fichier "
                                        "existe et que vous avez le droit de le lire.");
    default:
        return DataError(kStoreFailure, "La base de données a refusé l'opération (" + what + ") : " + e.what());
    }
}

std::string busyDatabase() {
    return "La base de données est occupée par un autre poste ou un autre programme ; réessayez dans un instant.";
}

std::string readOnlyDatabase() {
    return "La base de données est ouverte en consultation seule : rien n'a été enregistré.";
}

std::string fullDisk() {
    return "Le disque est plein : rien n'a été enregistré. Libérez de la place, puis recommencez.";
}

std::string recordChanged(const std::string& file, const std::string& key) {
    return "L'enregistrement « " + key + " » du fichier " + file +
           " a été modifié, supprimé ou créé par un autre poste depuis sa lecture : rien n'a été enregistré.";
}

std::string lockedBudget(const std::string& yearLabel, const std::string& entity) {
    return "Le budget de l'exercice " + yearLabel + " de l'entité " + entity +
           " est validé : il ne se modifie plus jusqu'à sa révision ; rien n'a été enregistré.";
}

std::string frozenVersion(const std::string& versionKey) {
    return "La version " + versionKey + " est validée : elle ne se modifie ni ne se supprime plus ; rien n'a été "
           "enregistré.";
}

std::string versionDiffers(const std::string& name, const std::string& account) {
    return "Le budget de travail n'est plus la version « " + name + " » (compte " + account +
           ") : enregistrez-le dans une nouvelle version pour le valider ; rien n'a été validé.";
}

std::string noteFault() {
    return "Une note tient en 500 caractères, sans caractère de contrôle autre que le saut de ligne.";
}

std::string noValidationRight() {
    return "Vos droits ne permettent pas de valider ni de réviser un budget (clé ONDREL_VALIDATION) : rien n'a été "
           "enregistré.";
}

std::string firstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    if (line.rfind("ERROR:  ", 0) == 0 || line.rfind("FATAL:  ", 0) == 0)
        line.erase(0, 8);
    return line;
}

// A path that is no file may be a server's address that a person mistyped.
std::string missingDatabase(const std::string& path) {
    return "La base de données « " + hidePasswords(path) + " » est introuvable. Vérifiez son chemin, ou créez une base avec "
           "« ondrel-admin init-demo ».";
}

std::string folderNotDatabase(const std::string& path) {
    return "« " + hidePasswords(path) + " » est un dossier, pas une base de données Ondrel. Choisissez le fichier de la base.";
}

std::string notOurDatabase(const std::string& path) {
    return "« " + hidePasswords(path) + " » n'est pas une base de données Ondrel : le fichier n'a pas été ouvert et rien n'y a "
           "été écrit. Choisissez une base créée par « ondrel-admin ».";
}

}  // namespace ondrel
