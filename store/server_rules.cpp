#include "store/server_rules.h"

#include "store/store_error.h"

namespace ondrel {

namespace {

// Installed with the tables and again by every `rights`, each time whole: a database
// made by an earlier version loses its triggers, and every role but the owner loses
// any write on the tables.
//
// Only the owner of the tables writes them. Every other role reads them and, when it
// may budget, writes records through the three functions below, which run with the
// owner's rights on the suite's own tables: a record with its fields and its revision
// in the history always together, the revision the next of the key's history, signed
// with the role and the server's time. A role that is not the owner writes only the files of the
// budget, only what the screen and the tools would write there.
// Why the schemas whose oids @SPACES@ gives must not be used, in French, ending with
// @OUTCOME@; no row when they may: another role may create objects there, or owns a
// function or an operator there, which a statement could call in place of the server's
// own (an exact match wins over pg_catalog's polymorphic one, wherever it stands in the
// path). Every name is qualified, every operator named: nothing it calls can be such
// an object. Of several, the first by schema and name, so that the same is named each
// time.
constexpr const char* kSchemaRefusal = R"sql(
SELECT CASE WHEN c.others IS NOT NULL THEN pg_catalog.format(
           'Dans le schéma « %s », %s peut créer des objets : une fonction créée là par un autre rôle pourrait '
           'détourner les règles de la base. Retirez ce droit (REVOKE CREATE ON SCHEMA %s FROM %s;) puis recommencez : %s',
           c.nspname, c.others, pg_catalog.quote_ident(c.nspname), c.others, @OUTCOME@)
       ELSE pg_catalog.format(
           'Dans le schéma « %s », le rôle %s a créé un objet que les règles de la base pourraient appeler à la place '
           'd''une fonction du serveur. Supprimez-le (DROP %s;) puis recommencez : %s',
           c.nspname, pg_catalog.quote_ident(pg_catalog.pg_get_userbyid(c.owner)), c.drop, @OUTCOME@) END
  FROM (SELECT n.nspname, o.drop, o.owner,
               (SELECT pg_catalog.string_agg(CASE WHEN a.grantee OPERATOR(pg_catalog.=) 0 THEN 'PUBLIC'
                                                  ELSE pg_catalog.quote_ident(pg_catalog.pg_get_userbyid(a.grantee)) END, ', ')
                  FROM pg_catalog.aclexplode(n.nspacl) a
                 WHERE a.privilege_type OPERATOR(pg_catalog.=) 'CREATE'
                   AND (a.grantee OPERATOR(pg_catalog.=) 0
                        OR NOT (pg_catalog.pg_has_role(a.grantee, n.nspowner, 'MEMBER')
                                OR pg_catalog.pg_has_role(a.grantee, CURRENT_USER, 'MEMBER')))) AS others
          FROM pg_catalog.pg_namespace n
          LEFT JOIN LATERAL (
                SELECT pg_catalog.format('FUNCTION %I.%I(%s)', n.nspname, p.proname,
                                         pg_catalog.pg_get_function_identity_arguments(p.oid)) AS drop, p.proowner AS owner
                  FROM pg_catalog.pg_proc p WHERE p.pronamespace OPERATOR(pg_catalog.=) n.oid
                UNION ALL
                SELECT pg_catalog.format('OPERATOR %I.%s (%s, %s)', n.nspname, o.oprname,
                                         CASE WHEN o.oprleft OPERATOR(pg_catalog.=) 0 THEN 'NONE'
                                              ELSE pg_catalog.format_type(o.oprleft, NULL) END,
                                         pg_catalog.format_type(o.oprright, NULL)), o.oprowner
                  FROM pg_catalog.pg_operator o WHERE o.oprnamespace OPERATOR(pg_catalog.=) n.oid) o
            ON NOT (pg_catalog.pg_has_role(o.owner, n.nspowner, 'MEMBER') OR pg_catalog.pg_has_role(o.owner, CURRENT_USER, 'MEMBER'))
         WHERE n.oid OPERATOR(pg_catalog.=) ANY (@SPACES@)) c
 WHERE c.others IS NOT NULL OR c.drop IS NOT NULL
 ORDER BY c.others IS NULL, c.nspname, c.drop
 LIMIT 1
)sql";

constexpr const char* kRules = R"sql(
-- The functions below run with the owner's rights: a function or an operator of
-- another role in their schema (an exact match of one they call, such as array_length
-- for text[]) would run as the owner. They refuse to run, and to be installed, where
-- another role may create objects or owns one. The schema is the tables' one: under
-- the functions' path the current schema is pg_catalog.
CREATE OR REPLACE FUNCTION ondrel_schema_refusal(p_outcome text) RETURNS text LANGUAGE sql STABLE AS $$
@SCHEMA_REFUSAL@
$$;

DO $$
DECLARE
    v_why constant text := ondrel_schema_refusal('rien n''a été installé.');
BEGIN
    IF v_why IS NOT NULL THEN
        RAISE EXCEPTION USING ERRCODE = 'OD403', MESSAGE = v_why;
    END IF;
END $$;

DROP FUNCTION IF EXISTS ondrel_sign_revision() CASCADE;
DROP FUNCTION IF EXISTS ondrel_note_keys() CASCADE;
DROP FUNCTION IF EXISTS ondrel_check_history() CASCADE;
DROP TABLE IF EXISTS ondrel_touched;

DROP FUNCTION IF EXISTS ondrel_budgeting_file(text);
DROP FUNCTION IF EXISTS ondrel_writes(text[], text[], bigint[]);
DROP FUNCTION IF EXISTS ondrel_refusal(text, text, text, text[], text[]);
DROP FUNCTION IF EXISTS ondrel_budget_refusal(text, text[]);
DROP FUNCTION IF EXISTS ondrel_actuals_refusal(text, text[]);
DROP FUNCTION IF EXISTS ondrel_profile_refusal(text, text[]);
DROP FUNCTION IF EXISTS ondrel_version_refusal(text, text[]);
DROP FUNCTION IF EXISTS ondrel_version_line_refusal(text, text[]);
DROP FUNCTION IF EXISTS ondrel_notes_refusal(text, text[]);
DROP FUNCTION IF EXISTS ondrel_lock_refusal(text, text[]);
DROP FUNCTION IF EXISTS ondrel_nesting_refusal(text);
DROP FUNCTION IF EXISTS ondrel_places(text[], text[]);
DROP FUNCTION IF EXISTS ondrel_row(text[], integer);
DROP FUNCTION IF EXISTS ondrel_writes(text[], text[], bigint[], integer[], integer[]);

-- The level of the session's role on a screen key of the rights store.
CREATE OR REPLACE FUNCTION ondrel_level(p_screen text) RETURNS integer LANGUAGE sql STABLE AS $$
    SELECT coalesce((SELECT level FROM rights WHERE "user" = session_user AND screen = p_screen), 0)
$$;

-- The files that a role which is not the owner may write: those of the budget and the
-- groups of entities at full rights on the screen, the versions for whoever budgets or
-- validates, the locks of the validated years for validators alone.
CREATE OR REPLACE FUNCTION ondrel_writable_file(f text) RETURNS boolean LANGUAGE sql STABLE AS $$
    SELECT CASE WHEN f IN ('BUDGET', 'REALISE', 'PROFILS', 'NOTES', 'GROUPES', 'SEUILS') THEN ondrel_level('ONDREL') = 2
                WHEN f IN ('VERSIONS', 'VERSIONLIGNES') THEN ondrel_level('ONDREL') = 2 OR ondrel_level('ONDREL_VALIDATION') >= 1
                WHEN f = 'VERROUS' THEN ondrel_level('ONDREL_VALIDATION') >= 1
                ELSE false END
$$;

-- The number of months of fiscal year N0 or N1 of an entity, from the dates of its
-- accounting parameters; none when they do not make a year.
CREATE OR REPLACE FUNCTION ondrel_months(entity text, year_code text) RETURNS integer LANGUAGE sql STABLE AS $$
    SELECT CASE WHEN d.months BETWEEN 1 AND 120 THEN d.months END
    FROM (SELECT (substr(d.last, 1, 4)::integer * 12 + substr(d.last, 6, 2)::integer)
                 - (substr(d.first, 1, 4)::integer * 12 + substr(d.first, 6, 2)::integer) + 1 AS months
          FROM (SELECT split_part(fields[CASE year_code WHEN 'N0' THEN 1 ELSE 3 END], chr(30), 1) AS first,
                       split_part(fields[CASE year_code WHEN 'N0' THEN 2 ELSE 4 END], chr(30), 1) AS last
                FROM record WHERE file = 'PARAMENTITECOMPTA' AND key = entity) d
          WHERE d.first ~ '^[0-9]{4}-[0-9]{2}-[0-9]{2}$' AND d.last ~ '^[0-9]{4}-[0-9]{2}-[0-9]{2}$') d
$$;

-- What is wrong with the period indexes of a line of year year_code: each a whole
-- number of the year, ascending, none twice.
CREATE OR REPLACE FUNCTION ondrel_periods_refusal(periods text[], entity text, year_code text) RETURNS text
LANGUAGE plpgsql STABLE AS $$
DECLARE
    months constant integer := ondrel_months(entity, year_code);
    previous integer := -1;
    p text;
BEGIN
    IF months IS NULL THEN
        RETURN format('L''exercice %s de l''entité %s n''a pas de dates valides : rien n''a été enregistré.',
                      CASE year_code WHEN 'N0' THEN 'N' ELSE 'N+1' END, entity);
    END IF;
    FOREACH p IN ARRAY periods LOOP
        IF p !~ '^[0-9]{1,3}$' OR p ~ '^0.' OR p::integer >= months OR p::integer <= previous THEN
            RETURN format('La période « %s » n''est pas une période de l''exercice, dans l''ordre : rien n''a été enregistré.', p);
        END IF;
        previous := p::integer;
    END LOOP;
    RETURN NULL;
END $$;

-- The checks of a write below take its first fields, how many it has up to the last
-- one not empty, and what they read in the base as arguments: whether its entity and
-- its distribution key exist, and what is wrong with its months. Several lines share
-- these, and one call reads each once.

-- A line of budget as the screen writes it: the key of a line of an entity on file,
-- a label of forty characters at most, at least one period with its amount (whole
-- hundredths, nine digits before the comma at most), a distribution key of the entity.
CREATE OR REPLACE FUNCTION ondrel_budget_refusal(k text, fields text[], field_count integer, entity_known boolean,
                                                 key_known boolean, months_refusal text) RETURNS text LANGUAGE sql STABLE AS $$
    SELECT CASE
        WHEN k !~ '^N[01][0-9]{3}[67][0-9]{9}$' THEN
            format('« %s » n''est pas la clé d''une ligne de budget : rien n''a été enregistré.', k)
        WHEN NOT entity_known THEN format('L''entité %s n''existe pas : rien n''a été enregistré.', substr(k, 3, 3))
        WHEN field_count > 4 THEN
            format('La ligne %s a un champ que l''écran n''écrit pas : rien n''a été enregistré.', k)
        WHEN coalesce(fields[1], '') = '' THEN 'Le libellé du compte est obligatoire.'
        WHEN char_length(fields[1]) > 40 OR fields[1] ~ '[\x01-\x1f\x7f]' THEN
            'Le libellé d''une ligne de budget tient en 40 caractères, sans caractère de contrôle : rien n''a été enregistré.'
        WHEN coalesce(fields[2], '') = ''
             OR cardinality(string_to_array(fields[2], chr(30))) <> cardinality(string_to_array(coalesce(fields[3], ''), chr(30))) THEN
            'La somme des répartitions doit ètre égale au montant à budgéter.'
        WHEN fields[3] !~ '^[0-9]{1,11}(\x1e[0-9]{1,11})*$' OR fields[3] ~ '(^|\x1e)0[0-9]' THEN
            'Un montant de la répartition n''est pas un montant positif de neuf chiffres au plus avant la virgule : '
            'rien n''a été enregistré.'
        WHEN (SELECT sum(a::bigint) FROM unnest(string_to_array(fields[3], chr(30))) a) > 99999999999 THEN
            'Le total de la ligne dépasse 999 999 999,99, ce que l''écran, les exports et le rapport tiennent au plus : '
            'rien n''a été enregistré.'
        WHEN coalesce(fields[4], '') = '' THEN 'Il est obligatoire de spécifier une clé de répartition.'
        WHEN fields[4] !~ '^[0-9]{3}$' OR NOT key_known THEN
            format('La clé de répartition « %s » n''existe pas pour l''entité %s : rien n''a été enregistré.',
                   fields[4], substr(k, 3, 3))
        ELSE months_refusal END
$$;

-- The actuals of an account: period indexes and signed sums in hundredths.
CREATE OR REPLACE FUNCTION ondrel_actuals_refusal(k text, fields text[], field_count integer, entity_known boolean,
                                                  months_refusal text)
RETURNS text LANGUAGE sql STABLE AS $$
    SELECT CASE
        WHEN k !~ '^N[01][0-9]{3}[67][0-9]{9}$' THEN
            format('« %s » n''est pas la clé du réalisé d''un compte : rien n''a été enregistré.', k)
        WHEN NOT entity_known THEN format('L''entité %s n''existe pas : rien n''a été enregistré.', substr(k, 3, 3))
        WHEN field_count > 2
             OR cardinality(string_to_array(coalesce(fields[1], ''), chr(30))) <> cardinality(string_to_array(coalesce(fields[2], ''), chr(30)))
             OR coalesce(fields[2], '') !~ '^(-?[0-9]{1,11}(\x1e-?[0-9]{1,11})*)?$' OR fields[2] ~ '(^|\x1e)-?0[0-9]' THEN
            format('Le réalisé %s n''est pas une suite de montants d''au plus neuf chiffres avant la virgule : '
                   'rien n''a été enregistré.', k)
        ELSE months_refusal END
$$;

-- A seasonal profile: its name after the entity's code, and shares in hundredths of
-- a percent that make the whole year.
CREATE OR REPLACE FUNCTION ondrel_profile_refusal(k text, fields text[], field_count integer, entity_known boolean) RETURNS text
LANGUAGE sql STABLE AS $$
    SELECT CASE
        WHEN k !~ '^[0-9]{3}.' OR k ~ '[\x01-\x1f\x7f]' OR fields[1] IS DISTINCT FROM substr(k, 4) THEN
            format('« %s » n''est pas la clé d''un profil : rien n''a été enregistré.', k)
        WHEN NOT entity_known THEN format('L''entité %s n''existe pas : rien n''a été enregistré.', substr(k, 1, 3))
        WHEN field_count > 2
             OR cardinality(string_to_array(coalesce(fields[2], ''), chr(30))) NOT BETWEEN 1 AND 120
             OR fields[2] !~ '^[0-9]{1,5}(\x1e[0-9]{1,5})*$'
             OR (SELECT sum(s::integer) FROM unnest(string_to_array(fields[2], chr(30))) s) <> 10000 THEN
            format('Les parts du profil « %s » ne font pas 100 %% de l''année : rien n''a été enregistré.', substr(k, 4))
        END
$$;

-- Thresholds of alert, "warning<RS>overspend" in hundredths of a percent: the warning
-- first, neither past 1000 %.
CREATE OR REPLACE FUNCTION ondrel_thresholds_fault(t text) RETURNS boolean LANGUAGE sql IMMUTABLE AS $$
    SELECT CASE WHEN t IS NULL THEN false
                WHEN t !~ '^(0|[1-9][0-9]{0,5})\x1e(0|[1-9][0-9]{0,5})$' THEN true
                ELSE split_part(t, chr(30), 1)::integer > split_part(t, chr(30), 2)::integer
                     OR split_part(t, chr(30), 2)::integer > 100000 END
$$;

-- A group of entities under its name: entities of the base, each once, none for the
-- group of all of them; flows from a charge account to a produit account, each named;
-- its thresholds.
CREATE OR REPLACE FUNCTION ondrel_group_refusal(k text, fields text[], field_count integer) RETURNS text
LANGUAGE sql STABLE AS $$
    SELECT CASE
        WHEN fields[1] IS DISTINCT FROM k OR char_length(k) NOT BETWEEN 1 AND 60 OR k ~ '[\x01-\x1f\x7f]'
             OR k <> btrim(k) OR field_count > 6 THEN
            format('« %s » n''est pas un groupe d''entités : rien n''a été enregistré.', k)
        WHEN coalesce(fields[2], '') !~ '^([0-9]{3}(\x1e[0-9]{3})*)?$'
             OR (k = 'Toutes les entités') <> (coalesce(fields[2], '') = '')
             OR EXISTS (SELECT 1 FROM unnest(string_to_array(fields[2], chr(30))) e GROUP BY e HAVING count(*) > 1)
             OR EXISTS (SELECT 1 FROM unnest(string_to_array(fields[2], chr(30))) e
                        WHERE NOT EXISTS (SELECT 1 FROM record r WHERE r.file = 'ASSOCIATION' AND r.key = e)) THEN
            format('Les entités du groupe « %s » ne sont pas des entités de la base, chacune une fois : rien n''a été enregistré.', k)
        WHEN cardinality(string_to_array(coalesce(fields[3], ''), chr(30))) <> cardinality(string_to_array(coalesce(fields[4], ''), chr(30)))
             OR cardinality(string_to_array(coalesce(fields[3], ''), chr(30))) <> cardinality(string_to_array(coalesce(fields[5], ''), chr(30)))
             OR coalesce(fields[4], '') !~ '^(6[0-9]{9}([\x1e]6[0-9]{9})*)?$'
             OR coalesce(fields[5], '') !~ '^(7[0-9]{9}([\x1e]7[0-9]{9})*)?$'
             OR EXISTS (SELECT 1 FROM unnest(string_to_array(fields[3], chr(30))) n
                        WHERE char_length(n) NOT BETWEEN 1 AND 60 OR n ~ '[\x01-\x1f\x7f]' OR n <> btrim(n)) THEN
            format('Les flux du groupe « %s » ne vont pas chacun d''un compte de charges à un compte de produits : rien n''a été enregistré.', k)
        WHEN ondrel_thresholds_fault(fields[6]) THEN
            format('Les seuils du groupe « %s » ne vont pas de 0 %% à 1 000 %%, la vigilance avant le dépassement : rien n''a été enregistré.', k)
        END
$$;

-- The thresholds of an entity, or of its lines under the significant digits of an
-- account that follow its code.
CREATE OR REPLACE FUNCTION ondrel_threshold_refusal(k text, fields text[], field_count integer, entity_known boolean)
RETURNS text LANGUAGE sql STABLE AS $$
    SELECT CASE
        WHEN k !~ '^[0-9]{3}([0-9]{0,9}[1-9])?$' OR field_count <> 1 OR fields[1] IS NULL
             OR ondrel_thresholds_fault(fields[1]) THEN
            format('« %s » n''est pas un seuil d''alerte : rien n''a été enregistré.', k)
        WHEN NOT entity_known THEN format('L''entité %s n''existe pas : rien n''a été enregistré.', substr(k, 1, 3))
        END
$$;

-- A note of a line: five hundred characters at most, no control character but the
-- line feed.
CREATE OR REPLACE FUNCTION ondrel_note_refusal(note text) RETURNS text LANGUAGE sql IMMUTABLE AS $$
    SELECT CASE WHEN char_length(note) > 500 OR note ~ '[\x01-\x09\x0b-\x1f\x7f]' THEN '@NOTE_FAULT@' END
$$;

CREATE OR REPLACE FUNCTION ondrel_notes_refusal(k text, fields text[], field_count integer) RETURNS text
LANGUAGE sql STABLE AS $$
    SELECT CASE
        WHEN k !~ '^N[01][0-9]{3}[67][0-9]{9}$' OR coalesce(fields[1], '') = '' OR field_count > 1 THEN
            format('« %s » n''est pas la note d''une ligne de budget : rien n''a été enregistré.', k)
        ELSE ondrel_note_refusal(fields[1]) END
$$;

-- The head of a version: its entity and year, its number, a name, its kind, its state;
-- only a validator validates, and only a budget.
CREATE OR REPLACE FUNCTION ondrel_version_refusal(k text, fields text[], field_count integer, entity_known boolean) RETURNS text
LANGUAGE sql STABLE AS $$
    SELECT CASE
        WHEN k !~ '^N[01][0-9]{3}\.[0-9]{3}$' OR right(k, 3) = '000' OR NOT entity_known
             OR coalesce(char_length(fields[1]), 0) NOT BETWEEN 1 AND 60 OR fields[1] ~ '[\x01-\x1f\x7f]'
             OR coalesce(fields[2], '') NOT IN ('budget', 'atterrissage') OR coalesce(fields[3], '') NOT IN ('', 'validée')
             OR char_length(fields[4]) > 200 OR fields[4] ~ '[\x01-\x1f\x7f]' OR field_count > 4 THEN
            format('« %s » n''est pas une version d''un budget : rien n''a été enregistré.', k)
        WHEN fields[3] = 'validée' AND ondrel_level('ONDREL_VALIDATION') < 1 THEN '@NO_VALIDATION_RIGHT@'
        END
$$;

-- A line of a version: a line of budget as the screen writes it, or of a landing,
-- whose months hold actuals of either sign and whose account may have no line, with
-- its note.
CREATE OR REPLACE FUNCTION ondrel_version_line_refusal(k text, fields text[], field_count integer, months_refusal text)
RETURNS text
LANGUAGE sql STABLE AS $$
    SELECT CASE
        WHEN k !~ '^N[01][0-9]{3}\.[0-9]{3}[67][0-9]{9}$' OR char_length(fields[1]) > 40 OR fields[1] ~ '[\x01-\x1f\x7f]'
             OR cardinality(string_to_array(coalesce(fields[2], ''), chr(30))) <> cardinality(string_to_array(coalesce(fields[3], ''), chr(30)))
             OR coalesce(fields[3], '') !~ '^(-?[0-9]{1,11}(\x1e-?[0-9]{1,11})*)?$' OR fields[3] ~ '(^|\x1e)-?0[0-9]'
             OR coalesce(fields[4], '') !~ '^([0-9]{3})?$' OR field_count > 5 THEN
            format('« %s » n''est pas une ligne de version : rien n''a été enregistré.', k)
        ELSE coalesce(ondrel_note_refusal(fields[5]), months_refusal) END
$$;

-- The lock of a validated year names one of its versions.
CREATE OR REPLACE FUNCTION ondrel_lock_refusal(k text, fields text[], field_count integer) RETURNS text
LANGUAGE sql STABLE AS $$
    SELECT CASE
        WHEN k !~ '^N[01][0-9]{3}$' OR left(coalesce(fields[1], ''), 5) <> k OR fields[1] !~ '^N[01][0-9]{3}\.[0-9]{3}$'
             OR field_count > 2 THEN
            format('« %s » n''est pas le verrou d''un budget validé : rien n''a été enregistré.', k)
        END
$$;

-- What a role that is not the owner may not write, in the files it may write: the
-- refusal of the first write of the call refused, none when every write may be made.
-- Where a text is plain ASCII its folded copy, which the searches read, is its lower
-- case, and is checked; the pattern is only read where the two differ. What the checks
-- read in the base is read once a call: each entity, each distribution key, each
-- year's months with each way of spreading them.
-- In PL/pgSQL for its plan to be kept from one call to the next, as the write's are:
-- planned again at each call, it took as long as the checks.
CREATE OR REPLACE FUNCTION ondrel_refusal(p_file text[], p_key text[], p_key_fold text[], p_fields text[], p_folds text[])
RETURNS text LANGUAGE plpgsql STABLE AS $$
BEGIN
    RETURN (WITH lines AS (
        SELECT (c.o - 1) / array_length(p_fields, 2) + 1 AS j,
               coalesce(max((c.o - 1) % array_length(p_fields, 2) + 1) FILTER (WHERE c.whole IS NOT NULL), 0)::integer AS field_count,
               bool_or((c.whole IS NULL) <> (c.fold IS NULL)
                       OR (c.fold IS DISTINCT FROM lower(c.whole COLLATE "C") AND c.whole ~ '^[\x01-\x7f]*$')) AS misfolded
        FROM unnest(p_fields, p_folds) WITH ORDINALITY AS c(whole, fold, o) GROUP BY 1),
    -- A write's first six fields, all that the checks read beyond how many it has.
    writes AS MATERIALIZED (
        SELECT w.j, w.f, w.k, l.field_count,
               ARRAY[p_fields[w.j][1], p_fields[w.j][2], p_fields[w.j][3], p_fields[w.j][4], p_fields[w.j][5],
                     p_fields[w.j][6]] AS fields,
               (w.kf IS DISTINCT FROM lower(w.k COLLATE "C") AND w.k ~ '^[\x01-\x7f]*$') OR l.misfolded AS misfolded,
               CASE WHEN w.f IN ('PROFILS', 'SEUILS') THEN substr(w.k, 1, 3) ELSE substr(w.k, 3, 3) END AS entity,
               CASE w.f WHEN 'BUDGET' THEN coalesce(p_fields[w.j][2], '') WHEN 'VERSIONLIGNES' THEN coalesce(p_fields[w.j][2], '')
                        WHEN 'REALISE' THEN coalesce(p_fields[w.j][1], '') END AS periods
        FROM unnest(p_file, p_key, p_key_fold) WITH ORDINALITY AS w(f, k, kf, j) JOIN lines l ON l.j = w.j),
    entities AS MATERIALIZED (
        SELECT e.entity, EXISTS (SELECT 1 FROM record r WHERE r.file = 'ASSOCIATION' AND r.key = e.entity) AS known
        FROM (SELECT DISTINCT entity FROM writes) e),
    distribution_keys AS MATERIALIZED (
        SELECT d.key, EXISTS (SELECT 1 FROM record r WHERE r.file = 'BUDGETCLES' AND r.key = d.key) AS known
        FROM (SELECT DISTINCT entity || fields[4] AS key FROM writes WHERE f = 'BUDGET') d),
    months AS MATERIALIZED (
        SELECT m.entity, m.year, m.periods,
               ondrel_periods_refusal(string_to_array(m.periods, chr(30)), m.entity, m.year) AS refusal
        FROM (SELECT DISTINCT entity, substr(k, 1, 2) AS year, periods FROM writes WHERE periods IS NOT NULL) m),
    refusals AS (
        SELECT w.j, CASE WHEN w.misfolded THEN
                format('Le texte de recherche de l''enregistrement « %s » n''est pas le sien : rien n''a été enregistré.', w.k)
            ELSE CASE w.f
                WHEN 'BUDGET' THEN ondrel_budget_refusal(w.k, w.fields, w.field_count, e.known, coalesce(d.known, false), m.refusal)
                WHEN 'REALISE' THEN ondrel_actuals_refusal(w.k, w.fields, w.field_count, e.known, m.refusal)
                WHEN 'PROFILS' THEN ondrel_profile_refusal(w.k, w.fields, w.field_count, e.known)
                WHEN 'NOTES' THEN ondrel_notes_refusal(w.k, w.fields, w.field_count)
                WHEN 'VERSIONS' THEN ondrel_version_refusal(w.k, w.fields, w.field_count, e.known)
                WHEN 'VERSIONLIGNES' THEN ondrel_version_line_refusal(w.k, w.fields, w.field_count, m.refusal)
                WHEN 'GROUPES' THEN ondrel_group_refusal(w.k, w.fields, w.field_count)
                WHEN 'SEUILS' THEN ondrel_threshold_refusal(w.k, w.fields, w.field_count, e.known)
                ELSE ondrel_lock_refusal(w.k, w.fields, w.field_count) END END AS refusal
        FROM writes w JOIN entities e ON e.entity = w.entity
             LEFT JOIN distribution_keys d ON w.f = 'BUDGET' AND d.key = w.entity || w.fields[4]
             LEFT JOIN months m ON m.entity = w.entity AND m.year = substr(w.k, 1, 2) AND m.periods = w.periods)
    SELECT refusal FROM refusals WHERE refusal IS NOT NULL ORDER BY j LIMIT 1);
END $$;

-- Lines of budget never nest within an entity and a year: none on a grouping account
-- above a new line, none on an account below it. Two new lines of one class wait for
-- each other, so that the second sees the first once it is committed. A new line is on
-- an account of the entity's chart, or on a class, sub-class or sub-sub-class.
CREATE OR REPLACE FUNCTION ondrel_creation_refusal(k text) RETURNS text LANGUAGE plpgsql VOLATILE AS $$
DECLARE
    head constant text := substr(k, 1, 5);
    sig constant text := rtrim(substr(k, 6), '0');
BEGIN
    IF NOT EXISTS (SELECT 1 FROM record r
                   WHERE (length(sig) > 3 AND r.file = 'PLANCOMPTABLE' AND r.key = substr(k, 3, 3) || substr(k, 6))
                      OR (length(sig) <= 3 AND r.file = (ARRAY['CLASSE', 'SCLASSE', 'SSCLASSE'])[length(sig)] AND r.key = sig)) THEN
        RETURN 'Ce compte n''est ni au plan comptable de l''entité ni un compte de regroupement.';
    END IF;
    PERFORM pg_advisory_xact_lock(7735, ondrel_lock_key(left(k, 6)));
    IF EXISTS (SELECT 1 FROM generate_series(1, length(sig) - 1) j
               JOIN record r ON r.file = 'BUDGET' AND r.key = head || rpad(left(sig, j), 10, '0')) THEN
        RETURN 'Un compte de regroupement a déjà été validé - création impossible.';
    END IF;
    -- Every key of the entity and year is fifteen digits long: those that begin with the
    -- significant digits stand between them and the same digits followed by nines.
    IF EXISTS (SELECT 1 FROM record r WHERE r.file = 'BUDGET' AND r.key BETWEEN head || sig AND head || rpad(sig, 10, '9')
               AND r.key <> k) THEN
        RETURN 'Un compte budgétaire de classe inférieure a déjà été validé - création impossible.';
    END IF;
    RETURN NULL;
END $$;

-- The versions that a transaction made, for their lines: a role that is not the owner
-- writes lines only into a version its transaction made, as the cycle's commands do,
-- never under a number to come or into another's version.
CREATE TABLE IF NOT EXISTS ondrel_new_version (txid bigint NOT NULL, key text COLLATE "C" NOT NULL,
                                               PRIMARY KEY (txid, key));

-- Each version of the call once, not each of its lines.
CREATE OR REPLACE FUNCTION ondrel_version_cycle_refusal(p_file text[], p_key text[]) RETURNS text
LANGUAGE plpgsql STABLE AS $$
DECLARE
    v record;
BEGIN
    FOR v IN SELECT DISTINCT left(x.k, 9) AS head FROM unnest(p_file, p_key) x(f, k) WHERE x.f = 'VERSIONLIGNES' LOOP
        IF NOT EXISTS (SELECT 1 FROM ondrel_new_version n WHERE n.txid = txid_current() AND n.key = v.head) THEN
            RETURN format('« %s » n''est pas une ligne d''une version que ce poste enregistre : rien n''a été enregistré.',
                          (SELECT x.k FROM unnest(p_file, p_key) WITH ORDINALITY x(f, k, i)
                           WHERE x.f = 'VERSIONLIGNES' AND left(x.k, 9) = v.head ORDER BY x.i LIMIT 1));
        END IF;
    END LOOP;
    FOR v IN SELECT mine.fields[1] AS name FROM unnest(p_file, p_key) x(f, k)
             JOIN record mine ON mine.file = 'VERSIONS' AND mine.key = x.k AND mine.fields[1] IS NOT NULL
             WHERE x.f = 'VERSIONS' AND EXISTS (
                 SELECT 1 FROM record other WHERE other.file = 'VERSIONS' AND other.fields[1] IS NOT NULL
                 AND other.key LIKE left(x.k, 5) || '.%' AND other.key <> x.k
                 AND (other.label_fold = mine.label_fold OR lower(other.fields[1]) = lower(mine.fields[1]))) LOOP
        RETURN format('Une autre version de l''exercice porte déjà le nom « %s » : rien n''a été enregistré.', v.name);
    END LOOP;
    RETURN NULL;
END $$;

-- Whether a version is validated: then it never changes again, nor do its lines.
CREATE OR REPLACE FUNCTION ondrel_validated(version_key text) RETURNS boolean LANGUAGE sql STABLE AS $$
    SELECT EXISTS (SELECT 1 FROM record WHERE file = 'VERSIONS' AND key = version_key AND fields[3] = 'validée')
$$;

-- The first account where a version and the working budget of its year differ in a
-- line's label, months or key; none when they are the same lines.
CREATE OR REPLACE FUNCTION ondrel_version_difference(v text) RETURNS text LANGUAGE sql STABLE AS $$
    WITH version_lines AS (SELECT substr(key, 10) AS account, fields[1], fields[2], fields[3], fields[4] FROM record
                           WHERE file = 'VERSIONLIGNES' AND key LIKE v || '%'),
         working AS (SELECT substr(key, 6) AS account, fields[1], fields[2], fields[3], fields[4] FROM record
                     WHERE file = 'BUDGET' AND key LIKE left(v, 5) || '%')
    SELECT min(account) FROM ((SELECT * FROM version_lines EXCEPT ALL SELECT * FROM working)
                              UNION ALL (SELECT * FROM working EXCEPT ALL SELECT * FROM version_lines)) d
$$;

-- A write sees the lock of a validation committed while it waited for it only in a
-- transaction whose statements each read what is committed: a snapshot taken before
-- the validation would not see the lock.
CREATE OR REPLACE FUNCTION ondrel_isolation_check() RETURNS void LANGUAGE plpgsql STABLE AS $$
BEGIN
    IF current_setting('transaction_isolation') <> 'read committed' THEN
        RAISE EXCEPTION USING ERRCODE = 'OD400', MESSAGE = format(
            'La base n''écrit qu''en isolation READ COMMITTED ; en %s, une transaction ne verrait pas le verrou d''une '
            'validation posé depuis son début : rien n''a été enregistré.', upper(current_setting('transaction_isolation')));
    END IF;
END $$;

-- The key of an advisory lock on a text of this suite's tables: the lock is the
-- database's, so two suites in two schemas of one database must not share it.
CREATE OR REPLACE FUNCTION ondrel_lock_key(t text) RETURNS integer LANGUAGE sql STABLE AS $$
    SELECT hashtext('record'::regclass::oid::text || '.' || t)
$$;

-- Holds a year for a write (shared) or a validation (alone). A session that keeps it
-- past the wait of a lock is named, with its program, for an administrator to act.
CREATE OR REPLACE FUNCTION ondrel_hold_year(y text, alone boolean) RETURNS void LANGUAGE plpgsql VOLATILE AS $$
DECLARE
    v_holders text;
BEGIN
    IF alone THEN
        PERFORM pg_advisory_xact_lock(7734, ondrel_lock_key(y));
    ELSE
        PERFORM pg_advisory_xact_lock_shared(7734, ondrel_lock_key(y));
    END IF;
EXCEPTION WHEN lock_not_available THEN
    SELECT string_agg(DISTINCT format('le rôle « %s » (%s)', a.usename,
                                      coalesce(nullif(a.application_name, ''), 'programme sans nom')), ', ')
      INTO v_holders
      FROM pg_locks l JOIN pg_stat_activity a ON a.pid = l.pid
     WHERE l.locktype = 'advisory' AND l.granted AND l.classid = 7734::oid AND l.objid = ondrel_lock_key(y)::oid
       AND l.objsubid = 2 AND l.pid <> pg_backend_pid();
    RAISE EXCEPTION USING ERRCODE = 'OD503', MESSAGE = format(
        'La base de données est occupée : l''exercice %s de l''entité %s est tenu par %s. Réessayez dans un instant, '
        'ou demandez à l''administrateur de la base de mettre fin à cette session.',
        CASE WHEN y LIKE 'N0%' THEN 'N' ELSE 'N+1' END, substr(y, 3, 3), coalesce(v_holders, 'un autre poste'));
END $$;

-- The budget cycle's rules, for every role, the owner too, before anything is written.
-- A line or a note of a validated year is refused; a validated version is frozen. The
-- validation of a year waits for the writes of that year under way, and the writes
-- after it wait for it to end, then find the lock: one of the two is refused whole.
-- Volatile: each statement reads what is committed when it starts, so that a write that
-- waited for a validation sees its lock.
CREATE OR REPLACE FUNCTION ondrel_cycle_refusal(p_file text[], p_key text[], p_fields text[]) RETURNS text
LANGUAGE plpgsql VOLATILE AS $$
DECLARE
    v record;
BEGIN
    FOR v IN SELECT DISTINCT left(x.k, 5) AS y FROM unnest(p_file, p_key) x(f, k) WHERE x.f IN ('BUDGET', 'NOTES') LOOP
        PERFORM ondrel_hold_year(v.y, false);
        IF EXISTS (SELECT 1 FROM record WHERE file = 'VERROUS' AND key = v.y) THEN
            RETURN format('@LOCKED@', CASE WHEN v.y LIKE 'N0%' THEN 'N' ELSE 'N+1' END, substr(v.y, 3, 3));
        END IF;
    END LOOP;
    -- The heads of versions are few in a call, their lines many: each version once.
    FOR v IN SELECT x.k, p_fields[x.i::integer][2] AS kind FROM unnest(p_file, p_key) WITH ORDINALITY x(f, k, i)
             WHERE x.f = 'VERSIONS' AND p_fields[x.i::integer][3] = 'validée' AND NOT ondrel_validated(x.k) LOOP
        IF coalesce(v.kind, '') <> 'budget' THEN
            RETURN 'Un atterrissage est une prévision : il ne se valide pas.';
        END IF;
        PERFORM ondrel_hold_year(left(v.k, 5), true);
    END LOOP;
    FOR v IN SELECT DISTINCT left(x.k, 9) AS version FROM unnest(p_file, p_key) x(f, k)
             WHERE x.f IN ('VERSIONS', 'VERSIONLIGNES') LOOP
        IF ondrel_validated(v.version) THEN
            RETURN format('@FROZEN@', v.version);
        END IF;
    END LOOP;
    RETURN NULL;
END $$;

-- After the writes: a validated version holds the working budget of its year, line for
-- line, and the lock of a year names a validated version of that year.
CREATE OR REPLACE FUNCTION ondrel_cycle_check(p_file text[], p_key text[], p_fields text[]) RETURNS text
LANGUAGE plpgsql STABLE AS $$
DECLARE
    v record;
    v_account text;
BEGIN
    FOR v IN SELECT x.f, x.k, p_fields[x.i::integer][1] AS first, p_fields[x.i::integer][2] AS second
             FROM unnest(p_file, p_key) WITH ORDINALITY x(f, k, i)
             WHERE (x.f = 'VERSIONS' AND p_fields[x.i::integer][3] = 'validée') OR x.f = 'VERROUS' LOOP
        IF v.f = 'VERSIONS' THEN
            v_account := ondrel_version_difference(v.k);
            IF v_account IS NOT NULL THEN
                RETURN format('@DIFFERS@', v.first, v_account);
            END IF;
        ELSIF NOT ondrel_validated(coalesce(v.first, ''))
              OR v.second IS DISTINCT FROM (SELECT fields[1] FROM record WHERE file = 'VERSIONS' AND key = v.first) THEN
            -- The lock's texts are shown in every refusal: they are the version's own.
            RETURN format('« %s » n''est pas le verrou d''un budget validé : rien n''a été enregistré.', v.k);
        ELSE
            v_account := ondrel_version_difference(v.first);
            IF v_account IS NOT NULL THEN
                RETURN format('@DIFFERS@', v.second, v_account);
            END IF;
        END IF;
    END LOOP;
    RETURN NULL;
END $$;

-- The place of each write of one call among the writes of its key, how many its key
-- has, and which is its last: the record takes the revision and the fields of the
-- key's last write.
CREATE OR REPLACE FUNCTION ondrel_places(p_file text[], p_key text[])
RETURNS TABLE(nth integer[], times integer[], last integer[]) LANGUAGE sql IMMUTABLE AS $$
    SELECT coalesce(array_agg(x.nth ORDER BY x.i), '{}'), coalesce(array_agg(x.times ORDER BY x.i), '{}'),
           coalesce(array_agg(x.last ORDER BY x.i), '{}')
    FROM (SELECT u.i, (row_number() OVER (PARTITION BY u.f, u.k ORDER BY u.i))::integer AS nth,
                 (count(*) OVER (PARTITION BY u.f, u.k))::integer AS times,
                 (max(u.i) OVER (PARTITION BY u.f, u.k))::integer AS last
          FROM unnest(p_file, p_key) WITH ORDINALITY AS u(f, k, i)) x
$$;

-- The writes of one call, in their order, with their places, placed once for all the
-- statements that read them. Planned as one row, so that the statements that join
-- them to the tables look each key up by its index, whatever the tables hold: a
-- single write must not read a whole table.
CREATE OR REPLACE FUNCTION ondrel_writes(p_file text[], p_key text[], p_seen bigint[], p_nth integer[], p_times integer[],
                                         p_last integer[])
RETURNS TABLE(i integer, f text, k text, seen bigint, nth integer, times integer, last integer)
LANGUAGE plpgsql IMMUTABLE ROWS 1 AS $$
BEGIN
    RETURN QUERY SELECT u.i::integer, u.f, u.k, u.s, u.n, u.t, u.l
                 FROM unnest(p_file, p_key, p_seen, p_nth, p_times, p_last) WITH ORDINALITY AS u(f, k, s, n, t, l, i);
END $$;

-- Writes records, each over the revision it was read at (0: only where no record has
-- its key; -1: over whatever is stored), and gives the revision each write takes.
-- p_fields and p_folds hold a row a write and a column a field, null where the field
-- is empty. Its statements are planned once for every call: a plan made for one call's
-- values would hold the fields as a constant, each field found by reading the array
-- from its start (a thousand lines in 160 ms instead of 50), and be made again at
-- each call. The rows go through the text of an array, which the session's array_nulls
-- would otherwise read back as the text "NULL" where a field is empty.
CREATE OR REPLACE FUNCTION ondrel_write(p_file text[], p_key text[], p_key_fold text[], p_seen bigint[],
                                        p_fields text[], p_folds text[]) RETURNS SETOF bigint
LANGUAGE plpgsql SECURITY DEFINER SET plan_cache_mode = force_generic_plan SET array_nulls = on AS $$
DECLARE
    v_why text := ondrel_schema_refusal('rien n''a été enregistré.');
    v_n integer;
    v_width integer;
    v_owner constant boolean := pg_has_role(session_user, current_user, 'MEMBER');
    v_at constant text := to_char(clock_timestamp() AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS');
    v_nth integer[];
    v_times integer[];
    v_last integer[];
    v_rows text[];
    v_claimed text[];
    v_created text[];
    v_bad record;
BEGIN
    IF v_why IS NOT NULL THEN
        RAISE EXCEPTION USING ERRCODE = 'OD403', MESSAGE = v_why;
    END IF;
    v_n := coalesce(cardinality(p_file), 0);
    v_width := coalesce(array_length(p_fields, 2), 0);
    IF v_n = 0 THEN
        RETURN;
    END IF;
    PERFORM ondrel_isolation_check();
    -- Every array from 1, as the checks and the writes read them.
    IF coalesce(cardinality(p_key), 0) <> v_n OR coalesce(cardinality(p_key_fold), 0) <> v_n
       OR coalesce(cardinality(p_seen), 0) <> v_n OR array_ndims(p_fields) IS DISTINCT FROM 2
       OR array_length(p_fields, 1) <> v_n OR array_dims(p_folds) IS DISTINCT FROM array_dims(p_fields)
       OR array_position(p_file, NULL) IS NOT NULL OR array_position(p_key, NULL) IS NOT NULL
       OR array_position(p_key_fold, NULL) IS NOT NULL OR array_position(p_seen, NULL) IS NOT NULL
       OR array_lower(p_file, 1) <> 1 OR array_lower(p_key, 1) <> 1 OR array_lower(p_key_fold, 1) <> 1
       OR array_lower(p_seen, 1) <> 1 OR array_lower(p_fields, 1) <> 1 OR array_lower(p_fields, 2) <> 1
       OR EXISTS (SELECT 1 FROM unnest(p_seen) s WHERE s < -1) THEN
        RAISE EXCEPTION USING ERRCODE = 'OD400', MESSAGE = 'Les enregistrements à écrire sont mal formés : rien n''a été enregistré.';
    END IF;
    FOR v_bad IN SELECT DISTINCT x.f FROM unnest(p_file) x(f) WHERE NOT EXISTS (SELECT 1 FROM file WHERE name = x.f) LOOP
        RAISE EXCEPTION USING ERRCODE = 'OD404',
            MESSAGE = format('Le fichier %s n''existe pas dans la base : rien n''a été enregistré.', v_bad.f);
    END LOOP;
    v_why := ondrel_cycle_refusal(p_file, p_key, p_fields);
    IF v_why IS NOT NULL THEN
        RAISE EXCEPTION USING ERRCODE = 'OD423', MESSAGE = v_why;
    END IF;
    IF NOT v_owner THEN
        -- Each file once: the rights store is read for the files, not for every write.
        FOR v_bad IN SELECT DISTINCT x.f FROM unnest(p_file) x(f) LOOP
            IF NOT ondrel_writable_file(v_bad.f) THEN
                RAISE EXCEPTION USING ERRCODE = 'OD422', MESSAGE = format(
                    'Vos droits sur la base ne permettent pas d''écrire dans le fichier %s : rien n''a été enregistré.', v_bad.f);
            END IF;
        END LOOP;
        v_why := ondrel_refusal(p_file, p_key, p_key_fold, p_fields, p_folds);
        IF v_why IS NOT NULL THEN
            RAISE EXCEPTION USING ERRCODE = 'OD422', MESSAGE = v_why;
        END IF;
    END IF;

    PERFORM set_config('ondrel.writing', 'on', true);
    SELECT nth, times, last INTO v_nth, v_times, v_last FROM ondrel_places(p_file, p_key);
    -- Each write's fields up to the last one not empty, as the text of an array: the
    -- record's row and its revision's take them from here, each by its place.
    SELECT array_agg(coalesce((SELECT array_agg(p_fields[i][c] ORDER BY c) FROM generate_series(1, v_width) c
                               WHERE c <= (SELECT max(d) FROM generate_series(1, v_width) d WHERE p_fields[i][d] IS NOT NULL)),
                              '{}')::text ORDER BY i)
      INTO v_rows FROM generate_series(1, v_n) i;

    -- The record rows: each key claims its revisions with its first write, only if it
    -- still has the revision that write was read at, or, for a new record, if no row
    -- has its key, and takes the fields of its last write. A writer that waited for another finds the row changed and claims
    -- nothing. A kind of write that the call does not have is not looked for: the lines
    -- of a new version are all new records.
    v_claimed := '{}';
    v_created := '{}';
    IF 0 < ANY (p_seen) THEN
        WITH upd AS (
            UPDATE record r SET revision = greatest(r.revision, coalesce(
                       (SELECT max(h.revision) FROM history h WHERE h.file = r.file AND h.key = r.key), 0)) + w.times,
                   fields = v_rows[w.last]::text[], label_fold = coalesce(p_folds[w.last][1], '')
            FROM ondrel_writes(p_file, p_key, p_seen, v_nth, v_times, v_last) w
            WHERE w.nth = 1 AND w.seen > 0 AND r.file = w.f AND r.key = w.k AND r.revision = w.seen
            RETURNING r.file || chr(31) || r.key AS fk)
        SELECT coalesce(array_agg(fk), '{}') INTO v_claimed FROM upd;
    END IF;
    IF 0 = ANY (p_seen) THEN
        WITH ins AS (
            INSERT INTO record(file, key, key_fold, revision, fields, label_fold)
            SELECT w.f, w.k, p_key_fold[w.i], coalesce((SELECT max(h.revision) FROM history h WHERE h.file = w.f AND h.key = w.k), 0) + w.times,
                   v_rows[w.last]::text[], coalesce(p_folds[w.last][1], '')
            FROM ondrel_writes(p_file, p_key, p_seen, v_nth, v_times, v_last) w WHERE w.nth = 1 AND w.seen = 0
            ON CONFLICT DO NOTHING
            RETURNING file || chr(31) || key AS fk)
        SELECT coalesce(array_agg(fk), '{}') INTO v_created FROM ins;
    END IF;
    IF -1 = ANY (p_seen) THEN
        WITH ups AS (
            INSERT INTO record(file, key, key_fold, revision, fields, label_fold)
            SELECT w.f, w.k, p_key_fold[w.i], coalesce((SELECT max(h.revision) FROM history h WHERE h.file = w.f AND h.key = w.k), 0) + w.times,
                   v_rows[w.last]::text[], coalesce(p_folds[w.last][1], '')
            FROM ondrel_writes(p_file, p_key, p_seen, v_nth, v_times, v_last) w WHERE w.nth = 1 AND w.seen = -1
            ON CONFLICT (file, key) DO UPDATE SET revision = greatest(record.revision + (EXCLUDED.revision - coalesce(
                (SELECT max(h.revision) FROM history h WHERE h.file = EXCLUDED.file AND h.key = EXCLUDED.key), 0)), EXCLUDED.revision),
                fields = EXCLUDED.fields, label_fold = EXCLUDED.label_fold
            RETURNING file || chr(31) || key AS fk, xmax = 0 AS made)
        SELECT v_claimed || coalesce(array_agg(fk) FILTER (WHERE NOT made), '{}'),
               v_created || coalesce(array_agg(fk) FILTER (WHERE made), '{}') INTO v_claimed, v_created FROM ups;
    END IF;
    -- Each key claimed or made once: fewer than the keys of the call, and one was lost.
    IF cardinality(v_claimed) + cardinality(v_created) < cardinality(array_positions(v_nth, 1)) THEN
        SELECT w.f, w.k INTO v_bad FROM ondrel_writes(p_file, p_key, p_seen, v_nth, v_times, v_last) w
            WHERE w.nth = 1 AND w.f || chr(31) || w.k NOT IN (SELECT unnest(v_claimed || v_created)) ORDER BY w.i LIMIT 1;
        RAISE EXCEPTION USING ERRCODE = 'OD409', MESSAGE = format('@CHANGED@', v_bad.f, v_bad.k);
    END IF;

    -- Every write kept in the history, and the revision each write took: one
    -- statement, which reads each key's record once.
    RETURN QUERY WITH placed AS MATERIALIZED (
            SELECT w.i, w.f, w.k, r.revision - w.times + w.nth AS revision
            FROM ondrel_writes(p_file, p_key, p_seen, v_nth, v_times, v_last) w JOIN record r ON r.file = w.f AND r.key = w.k),
        kept AS (
            INSERT INTO history(file, key, revision, author, at, deleted, fields)
            SELECT w.f, w.k, w.revision, session_user, v_at, 0, v_rows[w.i]::text[] FROM placed w)
        SELECT w.revision FROM placed w ORDER BY w.i;

    v_why := ondrel_cycle_check(p_file, p_key, p_fields);
    IF v_why IS NOT NULL THEN
        RAISE EXCEPTION USING ERRCODE = 'OD422', MESSAGE = v_why;
    END IF;
    IF 'VERSIONS' = ANY (p_file) THEN
        INSERT INTO ondrel_new_version(txid, key)
            SELECT txid_current(), split_part(c, chr(31), 2) FROM unnest(v_created) c WHERE split_part(c, chr(31), 1) = 'VERSIONS';
        DELETE FROM ondrel_new_version WHERE txid < txid_snapshot_xmin(txid_current_snapshot());
    END IF;
    IF NOT v_owner THEN
        FOR v_bad IN SELECT split_part(c, chr(31), 2) AS k FROM unnest(v_created) c WHERE split_part(c, chr(31), 1) = 'BUDGET' LOOP
            v_why := ondrel_creation_refusal(v_bad.k);
            IF v_why IS NOT NULL THEN
                RAISE EXCEPTION USING ERRCODE = 'OD422', MESSAGE = v_why;
            END IF;
        END LOOP;
        v_why := ondrel_version_cycle_refusal(p_file, p_key);
        IF v_why IS NOT NULL THEN
            RAISE EXCEPTION USING ERRCODE = 'OD422', MESSAGE = v_why;
        END IF;
    END IF;
    PERFORM set_config('ondrel.writing', '', true);
END $$;

-- Deletes the records of the keys, each read at its p_seen (-1: whatever is stored, if
-- anything), and keeps each deletion as the last revision of its key: a version's lines
-- in one call. A key read at a revision that is no longer its own refuses them all.
CREATE OR REPLACE FUNCTION ondrel_remove(p_file text, p_keys text[], p_seen bigint[]) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER AS $$
DECLARE
    why text := ondrel_schema_refusal('rien n''a été supprimé.');
    v_n integer;
    v_keys text[];
    v_revisions bigint[];
    v_changed text;
BEGIN
    IF why IS NOT NULL THEN
        RAISE EXCEPTION USING ERRCODE = 'OD403', MESSAGE = why;
    END IF;
    PERFORM ondrel_isolation_check();
    v_n := coalesce(cardinality(p_keys), 0);
    IF v_n = 0 THEN
        RETURN;
    END IF;
    IF p_file IS NULL OR coalesce(cardinality(p_seen), 0) <> v_n OR array_ndims(p_keys) <> 1 OR array_ndims(p_seen) <> 1
       OR array_lower(p_keys, 1) <> 1 OR array_lower(p_seen, 1) <> 1
       OR array_position(p_keys, NULL) IS NOT NULL OR array_position(p_seen, NULL) IS NOT NULL
       OR EXISTS (SELECT 1 FROM unnest(p_seen) s WHERE s < -1 OR s = 0)
       OR (SELECT count(DISTINCT k) FROM unnest(p_keys) k) <> v_n THEN
        RAISE EXCEPTION USING ERRCODE = 'OD400', MESSAGE = 'Les enregistrements à supprimer sont mal formés : rien n''a été supprimé.';
    END IF;
    IF NOT EXISTS (SELECT 1 FROM file WHERE name = p_file) THEN
        RAISE EXCEPTION USING ERRCODE = 'OD404',
            MESSAGE = format('Le fichier %s n''existe pas dans la base : rien n''a été supprimé.', p_file);
    END IF;
    IF NOT pg_has_role(session_user, current_user, 'MEMBER') AND NOT ondrel_writable_file(p_file) THEN
        RAISE EXCEPTION USING ERRCODE = 'OD422',
            MESSAGE = format('Vos droits sur la base ne permettent pas de supprimer dans le fichier %s : rien n''a été supprimé.', p_file);
    END IF;
    -- The group of all the entities always exists; what it keeps of its own stays.
    IF p_file = 'GROUPES' AND 'Toutes les entités' = ANY (p_keys) THEN
        RAISE EXCEPTION USING ERRCODE = 'OD422',
            MESSAGE = '« Toutes les entités » ne se supprime pas : rien n''a été supprimé.';
    END IF;
    IF p_file IN ('BUDGET', 'NOTES', 'VERSIONS', 'VERSIONLIGNES') THEN
        why := ondrel_cycle_refusal(array_fill(p_file, ARRAY[v_n]), p_keys, array_fill(NULL::text, ARRAY[v_n, 1]));
        IF why IS NOT NULL THEN
            RAISE EXCEPTION USING ERRCODE = 'OD423', MESSAGE = why;
        END IF;
    END IF;
    PERFORM set_config('ondrel.writing', 'on', true);
    WITH gone AS (
        DELETE FROM record r USING unnest(p_keys, p_seen) a(k, s)
        WHERE r.file = p_file AND r.key = a.k AND (a.s = -1 OR r.revision = a.s)
        RETURNING r.key, r.revision)
    SELECT coalesce(array_agg(key), '{}'), coalesce(array_agg(revision), '{}') INTO v_keys, v_revisions FROM gone;
    SELECT a.k INTO v_changed FROM unnest(p_keys, p_seen) a(k, s) WHERE a.s > 0 AND a.k <> ALL (v_keys) LIMIT 1;
    IF v_changed IS NOT NULL THEN
        RAISE EXCEPTION USING ERRCODE = 'OD409', MESSAGE = format('@CHANGED@', p_file, v_changed);
    END IF;
    INSERT INTO history(file, key, revision, author, at, deleted)
        SELECT p_file, g.k, greatest(g.revision, coalesce((SELECT max(h.revision) FROM history h
                                                           WHERE h.file = p_file AND h.key = g.k), 0)) + 1,
               session_user, to_char(clock_timestamp() AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS'), 1
        FROM unnest(v_keys, v_revisions) g(k, revision);
    PERFORM set_config('ondrel.writing', '', true);
END $$;

-- One record, as above.
CREATE OR REPLACE FUNCTION ondrel_remove(p_file text, p_key text, p_seen bigint) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER AS $$
BEGIN
    PERFORM ondrel_remove(p_file, ARRAY[p_key], ARRAY[p_seen]);
END $$;

-- Makes a file where it does not exist yet: any file for the owner, a file of the
-- budget for the others.
CREATE OR REPLACE FUNCTION ondrel_make_file(p_name text) RETURNS void LANGUAGE plpgsql SECURITY DEFINER AS $$
DECLARE
    why constant text := ondrel_schema_refusal('rien n''a été créé.');
BEGIN
    IF why IS NOT NULL THEN
        RAISE EXCEPTION USING ERRCODE = 'OD403', MESSAGE = why;
    END IF;
    IF EXISTS (SELECT 1 FROM file WHERE name = p_name) THEN
        RETURN;
    END IF;
    IF NOT pg_has_role(session_user, current_user, 'MEMBER') AND NOT ondrel_writable_file(p_name) THEN
        RAISE EXCEPTION USING ERRCODE = 'OD422',
            MESSAGE = format('Vos droits sur la base ne permettent pas de créer le fichier %s.', p_name);
    END IF;
    PERFORM set_config('ondrel.writing', 'on', true);
    INSERT INTO file(name) VALUES (p_name) ON CONFLICT DO NOTHING;
    PERFORM set_config('ondrel.writing', '', true);
END $$;

-- The records and their history are written by the functions above alone,
-- whoever writes, the owner included: a raw INSERT, UPDATE, DELETE, COPY or TRUNCATE
-- would pass by the checks, the cycle's lock and the history. The functions say that
-- the statement is theirs for its duration; a statement of its own is refused.
CREATE OR REPLACE FUNCTION ondrel_raw_write_refusal() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    IF pg_catalog.current_setting('ondrel.writing', true) IS DISTINCT FROM 'on' THEN
        RAISE EXCEPTION USING ERRCODE = 'OD401', MESSAGE = pg_catalog.format(
            'La table %s ne s''écrit que par les fonctions de la base (ondrel_write, ondrel_remove, ondrel_make_file), '
            'qui tiennent l''historique et le verrou des exercices validés : rien n''a été écrit.', TG_TABLE_NAME);
    END IF;
    RETURN NULL;
END $$;

DO $$
DECLARE
    t text;
BEGIN
    FOREACH t IN ARRAY ARRAY['file', 'record', 'history', 'ondrel_new_version'] LOOP
        EXECUTE format('DROP TRIGGER IF EXISTS ondrel_through_functions ON %I', t);
        EXECUTE format('CREATE TRIGGER ondrel_through_functions BEFORE INSERT OR UPDATE OR DELETE OR TRUNCATE ON %I '
                       'FOR EACH STATEMENT EXECUTE FUNCTION ondrel_raw_write_refusal()', t);
    END LOOP;
END $$;

-- Reads the suite's tables again for the planner's statistics after a bulk write,
-- whoever wrote: only the owner of the tables may, and a budgeter's new version would
-- otherwise be planned as if its file were empty, its lines read in seconds.
CREATE OR REPLACE FUNCTION ondrel_refresh_statistics() RETURNS void LANGUAGE plpgsql SECURITY DEFINER AS $$
DECLARE
    why constant text := ondrel_schema_refusal('les statistiques n''ont pas été relues.');
BEGIN
    IF why IS NOT NULL THEN
        RAISE EXCEPTION USING ERRCODE = 'OD403', MESSAGE = why;
    END IF;
    ANALYZE record;
END $$;

DO $$
DECLARE
    fn text;
    grantee text;
BEGIN
    -- No function for the public.
    FOREACH fn IN ARRAY ARRAY['ondrel_schema_refusal(text)', 'ondrel_raw_write_refusal()', 'ondrel_level(text)', 'ondrel_writable_file(text)', 'ondrel_months(text, text)',
                              'ondrel_note_refusal(text)', 'ondrel_notes_refusal(text, text[], integer)',
                              'ondrel_version_refusal(text, text[], integer, boolean)',
                              'ondrel_version_line_refusal(text, text[], integer, text)',
                              'ondrel_lock_refusal(text, text[], integer)', 'ondrel_validated(text)',
                              'ondrel_version_difference(text)', 'ondrel_cycle_refusal(text[], text[], text[])',
                              'ondrel_isolation_check()', 'ondrel_hold_year(text, boolean)', 'ondrel_version_cycle_refusal(text[], text[])',
                              'ondrel_cycle_check(text[], text[], text[])',
                              'ondrel_periods_refusal(text[], text, text)',
                              'ondrel_budget_refusal(text, text[], integer, boolean, boolean, text)',
                              'ondrel_actuals_refusal(text, text[], integer, boolean, text)',
                              'ondrel_profile_refusal(text, text[], integer, boolean)',
                              'ondrel_thresholds_fault(text)', 'ondrel_group_refusal(text, text[], integer)',
                              'ondrel_threshold_refusal(text, text[], integer, boolean)', 'ondrel_lock_key(text)',
                              'ondrel_refusal(text[], text[], text[], text[], text[])', 'ondrel_creation_refusal(text)',
                              'ondrel_places(text[], text[])',
                              'ondrel_writes(text[], text[], bigint[], integer[], integer[], integer[])', '@WRITE@', '@REMOVE@', '@REMOVE_ALL@', '@MAKE_FILE@',
                              '@STATISTICS@'] LOOP
        EXECUTE format('REVOKE ALL ON FUNCTION %s FROM PUBLIC', fn);
    END LOOP;
    -- What runs with the owner's rights reads the suite's own tables, whatever the
    -- caller's path; the functions it calls run under the same path.
    FOREACH fn IN ARRAY ARRAY['@WRITE@', '@REMOVE@', '@REMOVE_ALL@', '@MAKE_FILE@', '@STATISTICS@'] LOOP
        EXECUTE format('ALTER FUNCTION %s SET search_path = pg_catalog, %I, pg_temp', fn, current_schema());
    END LOOP;
    COMMENT ON FUNCTION ondrel_write(text[], text[], text[], bigint[], text[], text[]) IS '@VERSION@';

    REVOKE ALL ON file, record, history, rights, ondrel_mark, ondrel_new_version FROM PUBLIC;
    GRANT SELECT ON rights, ondrel_mark TO PUBLIC;
    FOR grantee IN SELECT DISTINCT pg_get_userbyid(a.grantee)
                   FROM pg_class c, aclexplode(c.relacl) a
                   WHERE c.relnamespace = current_schema()::regnamespace
                     AND c.relname IN ('file', 'record', 'history', 'rights', 'ondrel_mark', 'ondrel_new_version')
                     AND a.grantee NOT IN (0, c.relowner) AND a.privilege_type <> 'SELECT' LOOP
        EXECUTE format('REVOKE INSERT, UPDATE, DELETE, TRUNCATE, REFERENCES, TRIGGER ON file, record, history, '
                       'rights, ondrel_mark, ondrel_new_version FROM %I', grantee);
    END LOOP;
    -- Those who budget or validate in the rights store go on writing, through the
    -- functions.
    FOR grantee IN SELECT DISTINCT r."user" FROM rights r JOIN pg_roles p ON p.rolname = r."user"
                   WHERE (r.screen = 'ONDREL' AND r.level = 2) OR (r.screen = 'ONDREL_VALIDATION' AND r.level >= 1) LOOP
        EXECUTE format('GRANT EXECUTE ON FUNCTION @WRITE@, @REMOVE@, @REMOVE_ALL@, @MAKE_FILE@, @STATISTICS@ TO %I', grantee);
    END LOOP;
END $$;
)sql";

void replaceAll(std::string& text, const std::string& mark, const std::string& by) {
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + by.size()))
        text.replace(at, mark.size(), by);
}

// A text as it stands between single quotes inside a function's body.
std::string quoted(std::string text) {
    replaceAll(text, "'", "''");
    return text;
}

}  // namespace

std::string sessionSchemaRefusal() {
    std::string check = kSchemaRefusal;
    replaceAll(check, "@SPACES@", "ARRAY(SELECT s.oid FROM pg_catalog.pg_namespace s "
                                  "WHERE s.nspname OPERATOR(pg_catalog.=) ANY (pg_catalog.current_schemas(false)))");
    replaceAll(check, "@OUTCOME@", "'la base n''a pas été ouverte.'");
    return check;
}

std::string serverRules() {
    std::string rules = kRules;
    replaceAll(rules, "@SCHEMA_REFUSAL@", kSchemaRefusal);
    replaceAll(rules, "@SPACES@", "ARRAY[(SELECT c.relnamespace FROM pg_catalog.pg_class c "
                                  "WHERE c.oid OPERATOR(pg_catalog.=) 'record'::pg_catalog.regclass)]");
    replaceAll(rules, "@OUTCOME@", "p_outcome");
    replaceAll(rules, "@CHANGED@", quoted(recordChanged("%1$s", "%2$s")));
    replaceAll(rules, "@LOCKED@", quoted(lockedBudget("%1$s", "%2$s")));
    replaceAll(rules, "@FROZEN@", quoted(frozenVersion("%1$s")));
    replaceAll(rules, "@DIFFERS@", quoted(versionDiffers("%1$s", "%2$s")));
    replaceAll(rules, "@NOTE_FAULT@", quoted(noteFault()));
    replaceAll(rules, "@NO_VALIDATION_RIGHT@", quoted(noValidationRight()));
    replaceAll(rules, "@WRITE@", kWriteFunction);
    replaceAll(rules, "@REMOVE_ALL@", kRemoveAllFunction);
    replaceAll(rules, "@REMOVE@", kRemoveFunction);
    replaceAll(rules, "@MAKE_FILE@", kMakeFileFunction);
    replaceAll(rules, "@STATISTICS@", kStatisticsFunction);
    replaceAll(rules, "@VERSION@", kRulesVersion);
    return rules;
}

}  // namespace ondrel
